// The kelmat command-line tool: shows, converts and extracts the materials
// of 3D Studio files through the asset SDK.
#ifndef TOOLS_KELMAT_KELMATTOOL_H
#define TOOLS_KELMAT_KELMATTOOL_H

#include <ostream>
#include <string>
#include <vector>

namespace kelmat_tool {

// Runs one command line (args without the program name). Returns the exit
// status: 0 on success, 1 on failure (the message went to err).
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Whether a 3D Studio file carries a keyframer section at its top level.
bool HasKeyframer(const std::string& path);

}  // namespace kelmat_tool

#endif
