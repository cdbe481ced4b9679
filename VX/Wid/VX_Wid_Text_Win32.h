// Text rendered by GDI: DrawText with the widget's font into the DIB section of its picture.
#pragma once

#include "VX/Wid/VX_Wid_Text_Base.h"

class VX_Wid_Text_Win32 : public VX_Wid_Text_Base {
public:
    ~VX_Wid_Text_Win32() override;

    HFONT font = nullptr;

    // The font is made at the next rendering, on the painting thread: option calls from other
    // threads never reach GDI.
    void makeFont() override;

protected:
    void render(const char* t) override;

private:
    std::atomic<bool> fontWanted{false};
    void createFont();
};
