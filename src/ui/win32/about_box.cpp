#include "ui/win32/about_box.h"

#include "ui/controls.h"
#include "ui/geometry.h"
#include "ui/win32/resource_ids.h"

namespace corvane {
namespace {

struct AboutBoxStart {
    RECT ownerRectangle{};
    bool centre = false;
    HINSTANCE program = nullptr;
};

// The bitmap is loaded for each paint and released after it; green pixels show the face. Above
// 100 % it is drawn from the picture made at twice the size, so it stays sharp rather than
// showing doubled pixels.
void paintBitmap(HWND box, HINSTANCE program) {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(box, &paint);
    const int dpi = int(GetDpiForWindow(box));
    const int scale = dpi > 0 ? dpi : 96;
    int density = scale > 96 ? 2 : 1;
    auto load = [program](int id) {
        return static_cast<HBITMAP>(
            LoadImageW(program, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
    };
    HBITMAP bitmap = density == 2 ? load(CORVANE_ABOUT_BITMAP_2X) : nullptr;
    if (!bitmap) {
        density = 1;
        bitmap = load(CORVANE_ABOUT_BITMAP);
    }
    BITMAP size{};
    if (bitmap && GetObjectW(bitmap, sizeof size, &size)) {
        HDC source = CreateCompatibleDC(target);
        HGDIOBJ previous = SelectObject(source, bitmap);
        // Its place and size are given in pixels at 96 dots per inch; they grow with the scale.
        TransparentBlt(target, MulDiv(kAboutBitmapX, scale, 96), MulDiv(kAboutBitmapY, scale, 96),
                       MulDiv(size.bmWidth, scale, 96 * density),
                       MulDiv(size.bmHeight, scale, 96 * density), source, 0, 0, size.bmWidth,
                       size.bmHeight,
                       RGB(kTransparentColour >> 16, (kTransparentColour >> 8) & 0xFF,
                           kTransparentColour & 0xFF));
        SelectObject(source, previous);
        DeleteDC(source);
    }
    if (bitmap)
        DeleteObject(bitmap);
    EndPaint(box, &paint);
}

INT_PTR CALLBACK aboutProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const auto* start = reinterpret_cast<const AboutBoxStart*>(lParam);
        SetWindowLongPtrW(box, DWLP_USER, reinterpret_cast<LONG_PTR>(start->program));
        fitCaptions(box);
        if (start->centre) {
            RECT client{};
            GetClientRect(box, &client);
            const RECT& r = start->ownerRectangle;
            const Point corner = centreOverRectangle({r.left, r.top, r.right, r.bottom},
                                                     client.right, client.bottom);
            SetWindowPos(box, nullptr, corner.x, corner.y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return TRUE;
    }
    case WM_PAINT:
        paintBitmap(box, reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(box, DWLP_USER)));
        return TRUE;
    case WM_CLOSE:
        EndDialog(box, 2);
        return TRUE;
    case WM_COMMAND:
        // Esc sends Cancel, which leaves the box open; OK and Enter end it.
        if (LOWORD(wParam) == int(ControlId::Ok)) {
            EndDialog(box, 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR runAboutBox(HWND owner, const ResourceModules& modules) {
    const DLGTEMPLATE* dialogTemplate = loadDialogTemplate(modules, CORVANE_ABOUT_DIALOG);
    if (!dialogTemplate)
        return -1;
    AboutBoxStart start;
    start.program = modules.program;
    start.centre = owner && GetWindowRect(owner, &start.ownerRectangle);
    return DialogBoxIndirectParamW(modules.program, dialogTemplate, owner, aboutProcedure,
                                   reinterpret_cast<LPARAM>(&start));
}

} // namespace corvane
