#include "app/DlgRenderMpgAvi.h"

#include "app/UserPrompts.h"
#include "base/Settings.h"
#include "controls/IntEdit.h"
#include "encode/EncodeEngine.h"
#include "encode/FormatTable.h"
#include "encode/OutputFormat.h"

#include <QComboBox>
#include <QLabel>

#include <algorithm>

CDlgRenderMpgAvi::CDlgRenderMpgAvi(QWidget* parent) : QWidget(parent) {
    m_standardLabel = new QLabel(tr("Video"), this);
    m_standard = new QComboBox(this);
    m_standard->addItems({tr("NTSC"), tr("PAL")});
    m_standard->setCurrentIndex(GetSetting(Settings::PAL) != 0 ? 1 : 0);
    m_resolutionLabel = new QLabel(tr("Resolution"), this);
    m_disc = new QComboBox(this);
    // The format table's rows in their page order, which a template's
    // remembered choices store.
    for (int page = 0; page < CFormatTable::PageCount(); ++page)
        m_disc->addItem(tr(CFormatTable::AtPage(page)->label));
    m_byLabel = new QLabel(tr("x"), this);
    m_byLabel->setAlignment(Qt::AlignCenter);
    m_width = new CIntEdit(this);
    m_width->SetRule(COutputFormat::CustomWidth);
    m_height = new CIntEdit(this);
    m_height->SetRule(COutputFormat::CustomHeight);
    m_standard->setToolTip(tr("The television standard of the video: NTSC (America, Japan) or "
                              "PAL (Europe and most of the world); MP4 files play 30 or 25 "
                              "pictures a second as it says"));
    m_disc->setToolTip(tr("The picture size: that of a DVD, Super Video CD or Video CD, a "
                          "size of your own, or an MP4 file for computers, phones and "
                          "televisions"));
    m_width->setToolTip(tr("Width of a custom size in pixels (200 to 1920)"));
    m_height->setToolTip(tr("Height of a custom size in pixels (200 to 1440)"));

    connect(m_standard, &QComboBox::currentIndexChanged, this, [this](int index) {
        // The standard is remembered for the next time, as most users live
        // with one television standard.
        SetSettingInt(Settings::PAL.name, index == 1 ? 1 : 0);
        OnFormatChanged();
    });
    connect(m_disc, &QComboBox::currentIndexChanged, this, [this] {
        OnFormatChanged();
        emit FormatChosen(IsScreenFormat());
    });
    OnFormatChanged();
}

bool CDlgRenderMpgAvi::IsScreenFormat() const {
    const SFormatRow* row = CFormatTable::AtPage(m_disc->currentIndex());
    return row && row->kind == SFormatRow::kScreen;
}

void CDlgRenderMpgAvi::FitToPath(const std::string& path) {
    const bool screenPath = COutputFormat::IsMp4Path(path);
    if (screenPath == IsScreenFormat())
        return;
    // An MP4 file with a disc type chosen gets HD 720p; an MPEG stream with
    // a size for screens gets a DVD.
    const int page = screenPath ? CFormatTable::DefaultScreen().page : int(COutputFormat::kDvd);
    m_disc->setCurrentIndex(page);
}

void CDlgRenderMpgAvi::OnFormatChanged() {
    const bool custom = m_disc->currentIndex() == COutputFormat::kCustom;
    if (!custom) {
        COutputFormat format(m_standard->currentIndex() == 1, false);
        format.SetDisc(m_disc->currentIndex());
        m_width->SetValue(format.Width());
        m_height->SetValue(format.Height());
    }
    m_width->setEnabled(custom && m_enabled);
    m_height->setEnabled(custom && m_enabled);
}

void CDlgRenderMpgAvi::EnableControls(bool enable) {
    m_enabled = enable;
    for (QWidget* w : {static_cast<QWidget*>(m_standardLabel), static_cast<QWidget*>(m_standard),
                       static_cast<QWidget*>(m_resolutionLabel), static_cast<QWidget*>(m_disc),
                       static_cast<QWidget*>(m_byLabel)})
        w->setEnabled(enable);
    const bool custom = m_disc->currentIndex() == COutputFormat::kCustom;
    m_width->setEnabled(enable && custom);
    m_height->setEnabled(enable && custom);
}

std::unique_ptr<IEncodeEngine> CDlgRenderMpgAvi::CreateEngine(IVideoSrc* video, IAudioSrc* audio,
                                                              const std::string& path,
                                                              std::string* error) {
    // A size being typed counts as committed.
    m_width->Commit();
    m_height->Commit();
    COutputFormat format(m_standard->currentIndex() == 1, GetSetting(Settings::AspRatio) == 1);
    format.SetDisc(m_disc->currentIndex());
    // An AVI file takes the size the fields show, whatever the disc type.
    format.SetCustomSize(m_width->Value(), m_height->Value());
    if (COutputFormat::IsAviPath(path)) {
        std::string videoCodec, audioCodec;
        if (!CUserPrompts::Current().ChooseAviCodecs(this, audio != nullptr, videoCodec, audioCodec))
            return nullptr;
        format.SetAviCodecs(videoCodec, audioCodec);
    }
    return format.CreateEngine(video, audio, path, error);
}

// Positions on the page, from its middle.
void CDlgRenderMpgAvi::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w2 = width() / 2;
    m_standardLabel->setGeometry(50, 62, 60, 24);
    m_standard->setGeometry(110, 60, 120, m_standard->sizeHint().height());
    m_resolutionLabel->setGeometry(w2 + 30, 62, 90, 24);
    // Wide enough for the longest format's name.
    m_disc->setGeometry(w2 + 120, 60, std::max(120, m_disc->sizeHint().width()),
                        m_disc->sizeHint().height());
    m_width->setGeometry(w2 + 120, 90, 50, 22);
    m_byLabel->setGeometry(w2 + 170, 92, 20, 22);
    m_height->setGeometry(w2 + 190, 90, 50, 22);
}
