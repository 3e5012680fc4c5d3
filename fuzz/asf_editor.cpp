// The metadata editor on a copy of an arbitrary file. When the reader accepted the file and
// the editor reports success, the file must still open and carry the new attribute.
#include <cstdio>
#include <string>

#include "fuzz/FuzzTarget.h"
#include "media/asf/AsfEditor.h"
#include "media/asf/AsfReader.h"

TESS_FUZZ_TARGET(asf_editor) {
    const std::string path = tess::fuzz::ScratchDirectory() + "/edit.wmv";
    if (!tess::fuzz::WriteWholeFile(path, data, size))
        tess::fuzz::Fail("cannot write the input file");
    tess::asf::AsfReader before;
    const bool readable = before.Open(path);
    // A value long enough to overflow small header paddings, so both ways are taken.
    const std::string value(size % 2 ? 40 : 4000, 'x');
    const int32_t result = tess::asf::SetTextAttribute(path, "quorvanta timecode", value);
    if (readable && result == 0) {
        tess::asf::AsfReader after;
        std::string error, stored;
        if (!after.Open(path, &error)) {
            std::fprintf(stderr, "reader: %s\n", error.c_str());
            tess::fuzz::Fail("an edited file that no longer opens");
        }
        if (!after.GetAttribute("quorvanta timecode", &stored) || stored != value)
            tess::fuzz::Fail("an edited file without its new attribute");
        if (after.streams().size() != before.streams().size())
            tess::fuzz::Fail("an edit that lost a stream");
    }
    return 0;
}
