// The ini-file parser and the profile-function reads on arbitrary text.
#include <string>

#include "fuzz/FuzzTarget.h"
#include "settings/IniFile.h"

TESS_FUZZ_TARGET(ini_file) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    tess::IniFile ini;
    ini.Parse(text);
    const std::string once = ini.Serialize();
    tess::IniFile again;
    again.Parse(once);
    if (again.Serialize() != once)
        tess::fuzz::Fail("an ini file that changes when written and read again");

    if (tess::ProfileGetString(ini, "Settings", "CapString", "", 260).size() > 259)
        tess::fuzz::Fail("a profile read longer than its buffer");
    unsigned char block[60];
    tess::ProfileGetStruct(ini, "Settings", "CapFont", block, sizeof block);
    tess::DecodeProfileStruct(text, block, size % sizeof block);

    ini.Set("Settings", "Fuzz", "1");
    if (ini.Get("settings", "FUZZ").value_or("") != "1")
        tess::fuzz::Fail("a value that cannot be read back");
    ini.DropBadLines();
    ini.Serialize();
    return 0;
}
