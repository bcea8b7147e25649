// Universe 0, the start universe: the painter bids the player welcome in his
// garden ("sb01") before the player screen opens, and teaches moving about
// on the training course. It lives on universe 4's garden: its folder holds
// only its scene list (entries resolved against U04), its tables and its
// voices; the lines' timing files go to U04, where the scene's folder is
// while it plays.
#include <string>

#include "demo/universes/SpokenLines.h"
#include "lumora/engine/InfoTables.h"
#include "tools/lumora-pack/Universes.h"

namespace pack {

bool BuildU00(Pack& pack) {
    for (const char* dir : {"U00", "U00/Sound"})
        if (!pack.MakeDir(dir)) return false;
    UniverseNames names;
    if (!BuildU04(pack, names)) return false;

    SpokenLines lines;
    lines.voicesFile = DemoDir() + "/universes/U00.voices";
    lines.styles = {
        {"U04_03", {"fr+m3", 38, 140, 40}},  // the painter: warm, unhurried
        {"-", {"fr+f2", 55, 150, 41}},       // the course's voice, off screen
    };
    lines.waveDir = "U00/Sound";
    lines.timingDir = "U04/Sound";
    lines.waveExt = ".wav";
    if (!WriteSpokenLines(pack, lines)) return false;

    const char* list =
        "; Universe 0: the start universe, on universe 4's garden\r\n"
        "scene=\"U04.S3D\"\r\n"
        "object=\"Perso\\U04_03.O3D\" animation=\"Anim\\U04_03_Lunettes\\Attente.A3D,10\"\r\n"
        "object=\"Objets\\LunettesPeintre.O3D\" ; the painter's pair first: it becomes *U04_81\r\n"
        "object=\"Objets\\Lunettes.O3D\"\r\n"
        "light=\"U04.L3D\"\r\n";
    if (!pack.WriteFile("U00/U00.ZELT", list)) return false;

    // The scene reads its "Scene.bin" before it moves to the garden's folder.
    if (!WriteGardenSceneInfo(pack, "U00")) return false;
    // The start universe's repairs name the two pairs of glasses.
    names.objects.erase("*Lunettes0");
    names.objects.insert("*U04_81");
    names.objects.insert("*U04_80");
    names.operations = {"TakeLunettes", "DonnerLunettes"};
    return pack.CompileTables("U00", DemoDir() + "/universes/U00.tables", names);
}

}  // namespace pack
