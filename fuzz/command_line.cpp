// Command-line parsing on arbitrary argument lists (the input split at zero bytes): the
// switches, the long options and the snapshot and recording options read from them.
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "capture/RecordCommand.h"
#include "capture/SnapshotCommand.h"
#include "fuzz/FuzzTarget.h"

TESS_FUZZ_TARGET(command_line) {
    std::vector<std::string> args{"tessaray"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    args.push_back(current);
    std::vector<const char*> argv;
    for (const auto& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);

    const tess::CommandLine cl = tess::ParseCommandLine(static_cast<int>(args.size()), argv.data());
    if (cl.longOptions.size() + cl.others.size() >= args.size())
        tess::fuzz::Fail("more arguments parsed than given");
    if (tess::WantsSnapshotCommand(cl.longOptions)) {
        const auto options = tess::ParseSnapshotOptions(cl.longOptions);
        if (!options.ok && options.error.empty())
            tess::fuzz::Fail("snapshot options refused without a reason");
    }
    if (tess::WantsRecordCommand(cl.longOptions)) {
        const auto options = tess::ParseRecordOptions(cl.longOptions);
        if (!options.ok && options.error.empty())
            tess::fuzz::Fail("recording options refused without a reason");
    }
    return 0;
}
