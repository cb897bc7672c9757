#pragma once

#include "project/StyledString.h"

#include <memory>
#include <string>

// A caption on a slide. Positions are fractions of the frame from its centre,
// x to the right and y upwards, so the visible range is -0.5 to 0.5; times are
// seconds from the slide's start.
class CTextCaption : public CObject {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    // A new caption takes its style from the setting "TextStlye" when that
    // parses, and its effect's in/out share from "TextEffDur" (percent).
    CTextCaption();
    CTextCaption(const CTextCaption&) = default;
    CTextCaption& operator=(const CTextCaption&) = default;

    [[nodiscard]] std::unique_ptr<CTextCaption> Clone() const {
        return std::make_unique<CTextCaption>(*this);
    }

    CStyledString m_text;
    double m_x = 0.0;
    double m_y = 0.0;
    double m_start = 0.0;
    double m_duration = 0.0;
    std::string m_effect;       // a text effect's name; empty for none
    double m_effectInOut = 0.0; // share of the duration given to entry and exit
};
