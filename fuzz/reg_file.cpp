// The registry-file parser on arbitrary text: what it keeps must survive writing and
// reading again unchanged.
#include <string>

#include "fuzz/FuzzTarget.h"
#include "settings/RegFile.h"

TESS_FUZZ_TARGET(reg_file) {
    tess::RegFile file;
    file.Parse(std::string(reinterpret_cast<const char*>(data), size));
    const std::string once = file.Serialize();
    tess::RegFile again;
    again.Parse(once);
    if (again.Serialize() != once)
        tess::fuzz::Fail("a registry file that changes when written and read again");
    for (const auto& name : file.Names(tess::kProgramKey))
        if (!file.Find(tess::kProgramKey, name))
            tess::fuzz::Fail("a listed value that cannot be found");
    return 0;
}
