#include "print/TPrintFile.h"

#include "media/image/ImageCodec.h"
#include "print/PictureImage.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <wx/dcgraph.h>
#include <wx/graphics.h>

namespace tess {

PrintSize FitToPage(int picW, int picH, int pageW, int pageH) {
    if (picW <= 0 || picH <= 0 || pageW <= 0 || pageH <= 0)
        return {};
    // Whichever side meets the page's edge first decides the scale.
    if (static_cast<long long>(pageH) * picW < static_cast<long long>(pageW) * picH)
        return {static_cast<int>(static_cast<long long>(pageH) * picW / picH), pageH};
    return {pageW, static_cast<int>(static_cast<long long>(pageW) * picH / picW)};
}

TPrintFile::TPrintFile(const wxString& title, const std::string& fileName)
    : wxPrintout(title), fileName_(fileName) {}

void TPrintFile::GetPageInfo(int* minPage, int* maxPage, int* fromPage, int* toPage) {
    *minPage = *maxPage = *fromPage = *toPage = 1;
}

bool TPrintFile::HasPage(int page) {
    return page == 1;
}

bool TPrintFile::OnPrintPage(int page) {
    wxDC* dc = GetDC();
    if (page != 1 || !dc)
        return false;
    fit_ = true;
    // A picture that cannot be loaded prints an empty page.
    auto picture = image::LoadImageFile(fileName_);
    if (!picture || picture->width() <= 0 || picture->height() <= 0)
        return true;
    // The printable page in device pixels.
    int pageW = 0, pageH = 0;
    GetPageSizePixels(&pageW, &pageH);
    if (pageW <= 0 || pageH <= 0)
        dc->GetSize(&pageW, &pageH);
    const PrintSize target = FitToPage(picture->width(), picture->height(), pageW, pageH);
    if (target.width <= 0 || target.height <= 0)
        return true;
    // The picture at its own size, scaled by the device: no page-sized copy in memory.
    const double scale = static_cast<double>(target.width) / picture->width();
    dc->SetUserScale(scale, scale);
    dc->SetDeviceOrigin(0, 0);
    dc->DrawBitmap(wxBitmap(PictureImage(*picture)), 0, 0, false);
    dc->SetUserScale(1, 1);
    return true;
}

bool PrintToPdf(wxPrintout& printout, const std::string& path, double pageW, double pageH,
                std::string* error) {
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), pageW, pageH);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        if (error)
            *error = cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return false;
    }
    cairo_t* cr = cairo_create(surface);
    bool ok = true;
    {
        wxGraphicsContext* gc =
            wxGraphicsRenderer::GetCairoRenderer()->CreateContextFromNativeContext(cr);
        wxGCDC dc(gc);
        printout.SetDC(&dc);
        printout.SetPPIScreen(72, 72);
        printout.SetPPIPrinter(72, 72);
        printout.SetPageSizePixels(static_cast<int>(pageW), static_cast<int>(pageH));
        printout.SetPageSizeMM(static_cast<int>(pageW * 25.4 / 72),
                               static_cast<int>(pageH * 25.4 / 72));
        printout.SetPaperRectPixels(wxRect(0, 0, static_cast<int>(pageW), static_cast<int>(pageH)));
        printout.OnPreparePrinting();
        printout.OnBeginPrinting();
        ok = printout.OnBeginDocument(1, 1) && printout.OnPrintPage(1);
        printout.OnEndDocument();
        printout.OnEndPrinting();
        printout.SetDC(nullptr);
    }
    cairo_show_page(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        ok = false;
        if (error)
            *error = cairo_status_to_string(cairo_surface_status(surface));
    }
    cairo_surface_destroy(surface);
    return ok;
}

} // namespace tess
