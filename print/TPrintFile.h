#pragma once
// TPrintFile: the printout of a displayed picture, one page. The picture is loaded with the
// program's own codecs and drawn as large as the printable area allows, its proportions
// kept (filling it in one direction), from the area's top-left corner.
#include <string>
#include <wx/print.h>

namespace tess {

// The size of the picture on a page of pageW x pageH: as large as fits, proportions kept.
// (0, 0) when either size is 0.
struct PrintSize {
    int width = 0, height = 0;
};
PrintSize FitToPage(int picW, int picH, int pageW, int pageH);

class TPrintFile : public wxPrintout {
public:
    TPrintFile(const wxString& title, const std::string& fileName);

    void GetPageInfo(int* minPage, int* maxPage, int* fromPage, int* toPage) override;
    bool HasPage(int page) override;
    bool OnPrintPage(int page) override;

    bool fitToPage() const { return fit_; }

private:
    std::string fileName_;
    bool fit_ = false;
};

// Prints `printout` into a PDF file of one page of pageW x pageH points (72 per inch),
// without a printer or a dialog. False, with `error`, when the file cannot be written.
bool PrintToPdf(wxPrintout& printout, const std::string& path, double pageW, double pageH,
                std::string* error = nullptr);

} // namespace tess
