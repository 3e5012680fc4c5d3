#include "app/CommandLine.h"

#include <cctype>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {

namespace {

bool PathExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

bool IsLongOption(const std::string& arg) {
    return arg.size() > 2 && arg[0] == '-' && arg[1] == '-';
}

// A long option without "=" takes the next argument as its value unless it begins with "-";
// a lone "-" is a value (standard input or output).
bool TakesNextAsValue(const std::string& arg, const char* next) {
    return IsLongOption(arg) && arg.find('=') == std::string::npos && next &&
           (next[0] != '-' || next[1] == '\0');
}

} // namespace

void MakeFileArgumentsAbsolute(int argc, char** argv, std::vector<std::string>& storage) {
    storage.reserve(static_cast<size_t>(argc));
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd))
        return;
    for (int i = 1; i < argc; ++i) {
        if (!argv[i])
            continue;
        const std::string arg = argv[i];
        if (arg == "--")
            break;
        if (TakesNextAsValue(arg, i + 1 < argc ? argv[i + 1] : nullptr)) {
            ++i;
            continue;
        }
        if (IsLongOption(arg) || arg.empty() || arg[0] == '/' || !PathExists(arg))
            continue;
        storage.push_back(std::string(cwd) + "/" + arg);
        argv[i] = storage.back().data();
    }
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine cl;
    bool endOfSwitches = false;
    for (int i = 1; i < argc; ++i) {
        if (!argv[i])
            continue;
        std::string arg = argv[i];
        if (endOfSwitches) {
            (PathExists(arg) ? cl.files : cl.others).push_back(arg);
            continue;
        }
        if (arg == "--") {
            endOfSwitches = true;
            continue;
        }
        if (IsLongOption(arg)) {
            std::string name = arg.substr(2), value;
            if (auto eq = name.find('='); eq != std::string::npos) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            } else if (TakesNextAsValue(arg, i + 1 < argc ? argv[i + 1] : nullptr)) {
                value = argv[++i];
            }
            cl.longOptions.emplace_back(name, value);
            continue;
        }
        if (PathExists(arg)) {
            cl.files.push_back(arg);
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
