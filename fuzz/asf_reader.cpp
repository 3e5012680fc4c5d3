// The ASF reader on an arbitrary file: the header, the attributes and the walk over the data
// packets either succeed or give an error text.
#include <string>
#include <vector>

#include "fuzz/FuzzTarget.h"
#include "media/asf/AsfReader.h"

TESS_FUZZ_TARGET(asf_reader) {
    const std::string path = tess::fuzz::ScratchDirectory() + "/in.wmv";
    if (!tess::fuzz::WriteWholeFile(path, data, size))
        tess::fuzz::Fail("cannot write the input file");
    tess::asf::AsfReader reader;
    std::string error;
    if (!reader.Open(path, &error)) {
        if (error.empty())
            tess::fuzz::Fail("a refused file without a reason");
        return 0;
    }
    std::string value;
    reader.GetAttribute("quorvanta timecode", &value);
    for (const auto& s : reader.streams())
        reader.FindStream(s.number);
    std::vector<tess::asf::ObjectDesc> objects;
    reader.ReadObjects(objects, &error);
    return 0;
}
