#pragma once
// THotLink: a control that looks like a link (blue, underlined text, a focus rectangle
// around the text when focused) and opens its address in the desktop's default browser
// when clicked or when Space or Enter is pressed on it. An address that cannot be opened
// shows nothing.
#include <string>
#include <string_view>
#include <wx/control.h>

#include "platform/DesktopServices.h"

namespace tess {

// The address that is opened: an address with a scheme ("https://x", "mailto:x") as it
// is; one without a scheme ("www.x.org") with "http://" in front.
std::string HotLinkUrl(std::string_view address);

class THotLink : public wxControl {
public:
    // `desktop` opens the address.
    THotLink(wxWindow* parent, int id, const std::string& address, DesktopServices& desktop);

    const std::string& address() const { return address_; }
    // Opens the address; false when the desktop could not open it.
    bool Open();

protected:
    wxSize DoGetBestSize() const override;
    bool AcceptsFocus() const override { return true; }

private:
    void OnPaint(wxPaintEvent&);
    void OnKey(wxKeyEvent& e);

    std::string address_;
    DesktopServices& desktop_;
};

} // namespace tess
