#include "project/TextCaption.h"

#include "base/Settings.h"

namespace {
CObject* CreateTextCaption() { return new CTextCaption; }
} // namespace

const CRuntimeClass CTextCaption::kRuntimeClass{"CTextCaption", &CObject::kRuntimeClass,
                                                &CreateTextCaption};

CTextCaption::CTextCaption() {
    m_text.ParseStyle(GetSetting(Settings::TextStlye));
    m_effectInOut = GetSetting(Settings::TextEffDur) / 100.0;
}
