// What the wizard draws at the display's scale: its own fonts, sized in
// points, and its pictures, chosen from the sizes they are drawn in.
#ifndef QV_WIZARD_WIZARDLOOK_H
#define QV_WIZARD_WIZARDLOOK_H

#include <windows.h>

#include <string>
#include <vector>

#include "support/Handle.h"
#include "wizard/PageLayout.h"

// The dots per inch of the display as this program sees it. The program
// declares itself aware of the system's scale, so this is the system's.
int SystemDpi();

class CWizardLook {
public:
    explicit CWizardLook(int dpi);
    CWizardLook(const CWizardLook&) = delete;
    CWizardLook& operator=(const CWizardLook&) = delete;

    int Dpi() const { return m_dpi; }
    // A length designed in pixels at 100 %, at this scale.
    int Scaled(int pixelsAt96) const { return ScaledPixels(pixelsAt96, m_dpi); }

    // The pages' headings: Arial 15 pt bold.
    HFONT HeadingFont();
    // The hotline under the pages: Arial 12 pt, or the largest size down to
    // 8 pt in which `text` fits `available` pixels (chosen once).
    HFONT HotlineFont(HDC dc, const std::wstring& text, int available);

    // Picture `pictureId` filling a frame of `frame` pixels; the bitmap
    // belongs to this object and lives as long as it does. Null when the
    // picture is missing.
    HBITMAP Picture(UINT pictureId, PixelSize frame, PictureAnchor anchor);

private:
    struct Fitted {
        UINT id;
        PixelSize frame;
        PictureAnchor anchor;
        UniqueBitmap bitmap;
    };

    int m_dpi;
    UniqueFont m_heading;
    UniqueFont m_hotline;
    std::vector<Fitted> m_pictures;
};

#endif
