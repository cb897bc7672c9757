#include "app/SettingsTab.h"

#include "app/UserPrompts.h"
#include "base/Settings.h"
#include "controls/IntEdit.h"
#include "encode/EncodeEngine.h"
#include "encode/FormatTable.h"
#include "encode/OutputFormat.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

CSettingsTab::CSettingsTab(QWidget* parent) : QWidget(parent) {
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
    LayOut();
}

// Two halves side by side: the standard 50 pixels into the left one, the
// format 30 pixels into the right one with the size fields under it; the
// first row 20 pixels below the tab's top edge, the second 30 below it.
void CSettingsTab::LayOut() {
    constexpr int kTop = 20, kRowStep = 30, kFieldHeight = 22;
    const int listHeight = m_standard->sizeHint().height();
    // Each label is as tall as the list beside it, so its text stands level
    // with the list's.
    m_standardLabel->setFixedSize(60, listHeight);
    m_standard->setFixedWidth(120);
    m_resolutionLabel->setFixedSize(90, listHeight);
    // Wide enough for the longest format's name.
    m_disc->setMinimumWidth(120);
    m_width->setFixedSize(50, kFieldHeight);
    m_byLabel->setFixedSize(20, kFieldHeight);
    m_height->setFixedSize(50, kFieldHeight);

    auto* left = new QGridLayout;
    left->setContentsMargins(50, 0, 0, 0);
    left->setSpacing(0);
    left->addWidget(m_standardLabel, 0, 0, Qt::AlignTop);
    left->addWidget(m_standard, 0, 1, Qt::AlignTop);
    left->setColumnStretch(2, 1);
    left->setRowStretch(1, 1);

    auto* size = new QHBoxLayout;
    size->setSpacing(0);
    size->addWidget(m_width);
    size->addWidget(m_byLabel);
    size->addWidget(m_height);
    size->addStretch(1);
    auto* right = new QGridLayout;
    right->setContentsMargins(30, 0, 0, 0);
    right->setSpacing(0);
    right->setRowMinimumHeight(0, kRowStep);
    right->addWidget(m_resolutionLabel, 0, 0, Qt::AlignTop);
    right->addWidget(m_disc, 0, 1, Qt::AlignLeft | Qt::AlignTop);
    right->addLayout(size, 1, 1, Qt::AlignTop);
    right->setColumnStretch(2, 1);
    right->setRowStretch(2, 1);

    auto* halves = new QHBoxLayout(this);
    halves->setContentsMargins(0, kTop, 0, 0);
    halves->setSpacing(0);
    halves->addLayout(left, 1);
    halves->addLayout(right, 1);
}

bool CSettingsTab::IsScreenFormat() const {
    const SFormatRow* row = CFormatTable::AtPage(m_disc->currentIndex());
    return row && row->kind == SFormatRow::kScreen;
}

void CSettingsTab::FitToPath(const std::string& path) {
    const bool screenPath = COutputFormat::IsMp4Path(path);
    if (screenPath == IsScreenFormat())
        return;
    // An MP4 file with a disc type chosen gets HD 720p; an MPEG stream with
    // a size for screens gets a DVD.
    const int page = screenPath ? CFormatTable::DefaultScreen().page : int(COutputFormat::kDvd);
    m_disc->setCurrentIndex(page);
}

void CSettingsTab::OnFormatChanged() {
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

void CSettingsTab::EnableControls(bool enable) {
    m_enabled = enable;
    for (QWidget* w : {static_cast<QWidget*>(m_standardLabel), static_cast<QWidget*>(m_standard),
                       static_cast<QWidget*>(m_resolutionLabel), static_cast<QWidget*>(m_disc),
                       static_cast<QWidget*>(m_byLabel)})
        w->setEnabled(enable);
    const bool custom = m_disc->currentIndex() == COutputFormat::kCustom;
    m_width->setEnabled(enable && custom);
    m_height->setEnabled(enable && custom);
}

std::unique_ptr<IEncodeEngine> CSettingsTab::CreateEngine(IVideoSrc* video, IAudioSrc* audio,
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
