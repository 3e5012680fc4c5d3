// The event dialog's time parser on arbitrary text: whatever is typed, the result is a time
// of the day.
#include <string>

#include "fuzz/FuzzTarget.h"
#include "schedule/EventForm.h"

TESS_FUZZ_TARGET(event_time) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const tess::EventTime t = tess::ParseEventTime(text);
    if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59)
        tess::fuzz::Fail("a time outside the day");
    return 0;
}
