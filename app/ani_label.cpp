#include "app/ani_label.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <cwchar>

#include "ui/base/image.h"
#include "ui/base/render.h"
#include "ui/base/paint_manager.h"

using namespace Ulmar;

namespace {

constexpr wchar_t kClassName[] = L"AnimationLabelUI";
constexpr wchar_t kStripFormat[] = L"file='%s' source='0,0,%d,%d' dest='0,%d,%d,%d'";
constexpr wchar_t kOverlayFormat[] = L"file='wnd_compress_p3.png' source='0,0,120,%d' dest='0, 0,120,%d'";

constexpr int kLoopStride = 8;
constexpr int kSettleStride = 5;
constexpr int kSettleMargin = 30;  // the strip rests at least this far from the top and bottom
constexpr int kSettleSlack = 8;    // it stops this close to its line; the overlay ends this far above it

int ParseDecimal(const wchar_t* value) {
    return static_cast<int>(std::wcstol(value ? value : L"", nullptr, 10));
}

// The C run-time clock in milliseconds (it ticks in milliseconds on Windows).
long NowMs() { return static_cast<long>(std::clock() / (CLOCKS_PER_SEC / 1000)); }

}  // namespace

CAniLabelUI::CAniLabelUI() = default;
CAniLabelUI::~CAniLabelUI() = default;

const wchar_t* CAniLabelUI::GetClassName() const { return kClassName; }

void* CAniLabelUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, kClassName) == 0) return this;
    return CLabelUI::GetInterface(name);
}

void CAniLabelUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (std::wcscmp(name, L"aniimage") == 0) {
        m_aniImage = value;
        Invalidate();
    } else if (std::wcscmp(name, L"aniimgwidth") == 0) {
        m_aniImgWidth = ParseDecimal(value);
    } else if (std::wcscmp(name, L"aniimgheight") == 0) {
        m_aniImgHeight = ParseDecimal(value);
        return;
    }
    CLabelUI::SetAttribute(name, value);
}

void CAniLabelUI::HandleEvent(TControlEvent& event) {
    if (event.type == UIEVENT_TIMER) {
        if (event.wParam == kLoopTimerId) {
            LoopStep();
        } else if (event.wParam == kSettleTimerId) {
            SettleStep();
        }
    }
    CLabelUI::HandleEvent(event);
}

void CAniLabelUI::FormatStrip(int visibleHeight) {
    m_stripAttribute.Format(kStripFormat, m_aniImage.GetData(), m_aniImgWidth, visibleHeight, m_stripOffset,
                            m_aniImgWidth, m_stripBottom);
}

void CAniLabelUI::LoopStep() {
    const int stripHeight = m_aniImgHeight;
    const int height = GetHeight();
    m_stripWidth = m_aniImgWidth;
    m_stripX = 0;
    int visible = stripHeight;
    if (m_stripBottom < stripHeight + height) {
        m_stripOffset += kLoopStride;
        m_stripBottom = stripHeight + m_stripOffset;
        const int overrun = height - (stripHeight + m_stripOffset);
        // Past the bottom by more than the strip's height nothing is visible;
        // a negative height would turn the source upside down.
        if (overrun < 0) visible = std::max(0, stripHeight + overrun);
    } else {
        m_stripOffset = -stripHeight;
        m_stripBottom = 0;
    }
    FormatStrip(visible);
    Invalidate();
}

void CAniLabelUI::SettleStep() {
    const int stripHeight = m_aniImgHeight;
    const int height = GetHeight();
    int target = static_cast<int>(height * 0.4);
    target = std::max(target, kSettleMargin);
    target = std::min(target, height - kSettleMargin);

    m_stripOffset += kSettleStride;
    m_stripWidth = m_aniImgWidth;
    m_stripX = 0;
    m_stripBottom = m_stripOffset + stripHeight;
    if (m_stripOffset > 0) {
        const int stopLine =
            std::min(target - stripHeight / 2 + kSettleMargin, height - kSettleMargin - stripHeight);
        if (m_stripOffset >= stopLine - kSettleSlack) {
            if (manager_) manager_->KillTimer(this);
            Invalidate();
            m_finished = true;
        }
    }
    FormatStrip(stripHeight);
    m_overlayAttribute.Format(kOverlayFormat, stripHeight, m_stripBottom - stripHeight - kSettleSlack);
    Invalidate();
}

void CAniLabelUI::SetPaintState(int state) {
    m_paintState = state;
    Invalidate();
}

void CAniLabelUI::SetFirstImage(const wchar_t* image, int kind, long fadeStart) {
    m_firstImage = image;
    m_firstKind = kind;
    m_firstFadeStart = fadeStart;
    Invalidate();
}

void CAniLabelUI::SetSecondImage(const wchar_t* image, int kind, long fadeStart) {
    m_secondImage = image;
    m_secondKind = kind;
    m_secondFadeStart = fadeStart;
    Invalidate();
}

int CAniLabelUI::DrawFading(HDC dc, const CUiString& image, int kind, long fadeStart) {
    int alpha = 255;
    if (fadeStart != 0) alpha = std::min(255L, std::max(0L, (NowMs() - fadeStart) * 255 / kFadeMs));
    if (!manager_) return alpha;
    const CImageData* data = manager_->GetImageEx(image, nullptr, static_cast<DWORD>(kind));
    if (!data || !data->GetBitmap()) return alpha;
    const RECT source = {0, 0, data->width, data->height};
    const RECT corner = {0, 0, 0, 0};
    CRenderer::DrawImage(dc, data->GetBitmap(), itemRect_, paintRect_, source, corner, true,
                         static_cast<BYTE>(alpha));
    return alpha;
}

void CAniLabelUI::PaintBackImage(HDC dc) {
    if (m_paintState != 0) return;
    if (!m_firstImage.IsEmpty()) {
        if (DrawFading(dc, m_firstImage, m_firstKind, m_firstFadeStart) >= 255) m_firstFadeStart = 0;
    }
    if (m_secondFadeStart != 0) {
        if (!m_secondImage.IsEmpty() &&
            DrawFading(dc, m_secondImage, m_secondKind, m_secondFadeStart) >= 255) {
            m_secondFadeStart = 0;
            m_firstImage.Empty();
        }
    } else if (m_firstImage.IsEmpty() && !m_secondImage.IsEmpty()) {
        DrawFading(dc, m_secondImage, m_secondKind, 0);
    }
}
