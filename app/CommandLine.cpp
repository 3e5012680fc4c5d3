#include "app/CommandLine.h"

#include <cctype>

namespace tess {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine cl;
    bool endOfSwitches = false;
    for (int i = 1; i < argc; ++i) {
        if (!argv[i])
            continue;
        std::string arg = argv[i];
        if (endOfSwitches) {
            cl.others.push_back(arg);
            continue;
        }
        if (arg == "--") {
            endOfSwitches = true;
            continue;
        }
        if (arg.size() > 2 && arg[0] == '-' && arg[1] == '-') {
            std::string name = arg.substr(2), value;
            if (auto eq = name.find('='); eq != std::string::npos) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            } else if (i + 1 < argc && argv[i + 1] && argv[i + 1][0] != '-') {
                value = argv[++i];
            }
            cl.longOptions.emplace_back(name, value);
            continue;
        }
        if (arg.size() >= 2 && (arg[0] == '/' || arg[0] == '-') &&
            std::isalpha(static_cast<unsigned char>(arg[1]))) {
            switch (std::toupper(static_cast<unsigned char>(arg[1]))) {
            case 'M':
                cl.startMinimized = true;
                break;
            case 'U':
                cl.uninstall = true;
                break;
            default:
                break; // other letters are ignored
            }
            continue;
        }
        cl.others.push_back(arg);
    }
    return cl;
}

} // namespace tess
