// CAniLabelUI: a label that can slide a vertical image strip through its area
// (two timer-driven steps that build the strip's image strings) and paints its
// background as a cross-fade from a first image to a second one. Skins create
// it through the window's builder callback for the class name "AniLabel".
#pragma once

#include <windows.h>

#include "ui/controls/label.h"

class CAniLabelUI : public Ulmar::CLabelUI {
public:
    static constexpr UINT kLoopTimerId = 56;    // moves the strip down and wraps it round
    static constexpr UINT kSettleTimerId = 57;  // moves it down to its resting line and stops
    static constexpr int kFadeMs = 200;

    CAniLabelUI();
    ~CAniLabelUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void HandleEvent(Ulmar::TControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintBackImage(HDC dc) override;

    // The host drives the animation: it starts the timers through the paint
    // manager, sets the fade images and turns painting on (state 0).
    int GetPaintState() const { return m_paintState; }
    void SetPaintState(int state);
    // `fadeStart` is a clock() value in milliseconds; 0 shows the image at once.
    // `kind` goes to the image lookup as its mask colour. Null clears the image.
    void SetFirstImage(const wchar_t* image, int kind, long fadeStart);
    void SetSecondImage(const wchar_t* image, int kind, long fadeStart);
    const Ulmar::CUiString& GetFirstImage() const { return m_firstImage; }
    long GetFirstFadeStart() const { return m_firstFadeStart; }
    const Ulmar::CUiString& GetSecondImage() const { return m_secondImage; }
    long GetSecondFadeStart() const { return m_secondFadeStart; }

    const Ulmar::CUiString& GetAniImage() const { return m_aniImage; }
    int GetAniImageWidth() const { return m_aniImgWidth; }
    int GetAniImageHeight() const { return m_aniImgHeight; }
    int GetStripOffset() const { return m_stripOffset; }
    int GetStripBottom() const { return m_stripBottom; }
    int GetStripWidth() const { return m_stripWidth; }
    const Ulmar::CUiString& GetStripAttribute() const { return m_stripAttribute; }
    const Ulmar::CUiString& GetOverlayAttribute() const { return m_overlayAttribute; }
    bool IsFinished() const { return m_finished; }

private:
    void LoopStep();
    void SettleStep();
    void FormatStrip(int visibleHeight);
    // Draws `image` over the whole control at the alpha its fade has reached;
    // returns that alpha (255 when not fading, or when the fade is over).
    int DrawFading(HDC dc, const Ulmar::CUiString& image, int kind, long fadeStart);

    long m_firstFadeStart = 0;
    Ulmar::CUiString m_firstImage;
    int m_firstKind = 0;
    long m_secondFadeStart = 0;
    Ulmar::CUiString m_secondImage;
    int m_secondKind = 0;
    int m_stripX = 0;
    int m_stripOffset = -50;
    int m_stripWidth = 0;
    int m_stripBottom = 0;
    Ulmar::CUiString m_stripAttribute;
    Ulmar::CUiString m_aniImage;
    int m_paintState = 1;
    int m_aniImgHeight = 0;
    int m_aniImgWidth = 0;
    Ulmar::CUiString m_overlayAttribute;
    bool m_finished = false;
};
