// The object and action tables of a universe in text form, compiled into
// the records of "INFOOBJ.BIN" and "INFOACT.BIN" with every check the game
// cannot make at run time.
//
//     ; comment (at the start of a line or after a blank)
//     object *U09_01 type=20 cursor=1 visible=1 frame=0 stopped=0 speed=30 loop=0
//
//     action 1 OpenDoor
//         sender *U09_03          ; clicked object (from the object list)
//         receiver *U09_03        ; acted upon; "receiver *U09_05 speaker" for kind 6
//         event 20                ; must be the sender's type
//         click                   ; or: carrying U09_80
//         repeat 1                ; 100 or more: never done
//         condition TRUE          ; ids, m<id>, !m<id>, ( ), &, TRUE, FALSE
//         do 4 *U09_03            ; sub-action: type, then the parameter
//     end
//
// Object fields left out take the record's defaults. Checks: object names
// must be kernel objects of the universe, senders and receivers must be in
// the object list, every text must fit its field, conditions may only name
// actions that can be done (repeat below 100), ids are 0..255 and unique,
// at most 10 sub-actions of known types whose parameters resolve (sounds in
// "Sound/", animations, actions, the universe's script operations).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "lumora/engine/InfoTables.h"
#include "tools/lumora-pack/Pack.h"

namespace pack {

struct Tables {
    std::vector<XObjectInfoRecord> objects;
    std::vector<XActionInfoRecord> actions;
};

// `soundExists` answers for a sound name as the sub-action gives it.
// False with "file:line: reason" in `why` on the first fault.
bool CompileTables(const std::string& text, const std::string& fileName, const UniverseNames& names,
                   const std::function<bool(const std::string&)>& soundExists, Tables& out, std::string& why);

// Checks a condition text against the action ids that may be named; false
// with the reason.
bool CheckCondition(const std::string& condition, const std::function<bool(int id)>& doneable, std::string& why);

}  // namespace pack
