#include "app/App.h"

#include <wx/wx.h>

namespace tess {

namespace {

class App : public wxApp {
public:
    bool OnInit() override {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "Tessaray");
        frame->Show();
        return true;
    }
};

} // namespace

int RunProgram(int argc, char** argv) {
    wxApp::SetInstance(new App);
    return wxEntry(argc, argv);
}

} // namespace tess
