#pragma once
// The string table: texts looked up by id. Gadget hints are "hint\ntool tip". The texts are
// English (the catalog's message ids); a window translates each half at use.
#include <string>

namespace tess {

// The text of string `id`, empty when there is none.
std::string LoadResString(int id);
// The tool-tip half of a gadget's string ("hint\ntip" -> "tip"), empty when none.
std::string ToolTipText(int id);
// The hint half ("hint\ntip" -> "hint").
std::string HintText(int id);

} // namespace tess
