#include "app/TemplatePage.h"

#include "app/CtrlPreviewAlbum.h"
#include "app/FolderTab.h"
#include "app/PicturesTab.h"
#include "app/SettingsTab.h"
#include "base/Settings.h"
#include "controls/SeekSlider.h"
#include "project/Album.h"
#include "project/ProjTmpl.h"

#include <QLabel>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>

#include <cmath>
#include <filesystem>

CTemplatePage::CTemplatePage(QWidget* parent) : CWizardPage(QString(), parent) {
    m_preview = new CCtrlPreviewAlbum(this);
    m_play = new QToolButton(this);
    m_play->setAutoRaise(false);
    ShowPlayIcon(true);
    m_slider = new CSeekSlider(this);
    m_slider->setRange(0, kSliderRange);
    m_slider->setPageStep(kSliderRange / 10);
    m_slider->setToolTip(tr("Position in the video: click or drag to go there"));
    m_time = new QLabel(this);
    m_instructions = new QLabel(
        tr("Click PLAY to preview the video. To substitute default photos with your own, select "
           "photo and click REPLACE.\nWhen you're ready, click FINISH to generate and save the "
           "video."),
        this);
    m_instructions->setWordWrap(true);
    m_tabs = new QTabWidget(this);
    m_pictures = new CPicturesTab(m_tabs);
    m_pictures->SetPreview(m_preview);
    m_settings = new CSettingsTab(m_tabs);
    m_folder = new CFolderTab(m_tabs);
    m_tabs->addTab(m_pictures, tr("Pictures"));
    m_tabs->addTab(m_settings, tr("Settings"));
    m_tabs->addTab(m_folder, tr("Folder"));
    m_tabs->setCurrentIndex(0);
    // The format and the file's kind agree: a size for screens makes an MP4
    // file, an MP4 file a size for screens.
    connect(m_settings, &CSettingsTab::FormatChosen, m_folder, &CFolderTab::FitToFormat);
    connect(m_folder, &CFolderTab::PathChosen, m_settings, &CSettingsTab::FitToPath);

    connect(m_play, &QToolButton::clicked, this, &CTemplatePage::OnPlayButton);
    connect(m_preview, &CCtrlPreview::PositionChanged, this, &CTemplatePage::OnPosition);
    connect(m_preview, &CCtrlPreview::Ended, this, [this](int atEnd, int) {
        // The album ran out: the next press of the button plays it again.
        if (atEnd)
            m_playing = false;
        OnEnded();
    });
    connect(m_slider, &QSlider::actionTriggered, this, &CTemplatePage::OnSliderAction);
    connect(m_slider, &QSlider::sliderReleased, this, &CTemplatePage::OnSliderReleased);
}

CTemplatePage::~CTemplatePage() {
    // The preview reads the album, which is destroyed before the children.
    m_pictures->SetPreview(nullptr);
    delete m_preview;
}

void CTemplatePage::SetTemplate(CProjTmpl* tmpl) {
    m_tmpl = tmpl;
    m_pictures->SetTemplate(tmpl);
    // "tmpl.vez" gives the base name "tmpl".
    m_folder->SetBaseName(
        tmpl ? std::filesystem::path(tmpl->GetPackagePath()).stem().string() : std::string());
    m_loadOnShow = !isVisible();
    if (!m_loadOnShow)
        LoadData();
}

void CTemplatePage::showEvent(QShowEvent* event) {
    CWizardPage::showEvent(event);
    if (m_loadOnShow) {
        m_loadOnShow = false;
        LoadData();
    }
}

void CTemplatePage::LoadData() {
    if (!m_tmpl)
        return;
    auto album = std::make_unique<CAlbum>();
    m_tmpl->ApplyTo(*album, true);
    m_preview->SetAlbum(album.get(), m_tmpl);
    m_album = std::move(album);
    m_playing = false;
    ShowPlayIcon(true);
    // Idle, the preview shows the first slide whole, not the black its
    // opening fade starts from.
    const int count = m_preview->GetFrameCount();
    const int idle = m_preview->IdleFrame();
    if (idle > 0)
        m_preview->Seek(idle);
    m_slider->setValue(count > 1 ? int(std::lround(double(kSliderRange) * idle / (count - 1))) : 0);
    ShowTime(idle, count);
}

// "0:04 / 1:00": where the preview stands and the album's length.
void CTemplatePage::ShowTime(int frame, int count) {
    const double rate = m_preview->GetFrameRate();
    if (!(rate > 0) || count <= 0) {
        m_time->clear();
        return;
    }
    auto clock = [](double seconds) {
        const int s = int(seconds);
        return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
    };
    m_time->setText(clock(frame / rate) + QStringLiteral(" / ") + clock(count / rate));
}

void CTemplatePage::EnableControls(bool enable) {
    m_settings->EnableControls(enable);
    if (!enable && m_preview->IsPlaying()) {
        m_preview->Pause(true);
        m_playing = false;
    }
    for (QWidget* w : {static_cast<QWidget*>(m_preview), static_cast<QWidget*>(m_slider),
                       static_cast<QWidget*>(m_play), static_cast<QWidget*>(m_tabs)})
        w->setEnabled(enable);
}

void CTemplatePage::ShowPlayIcon(bool play) {
    m_play->setIcon(style()->standardIcon(play ? QStyle::SP_MediaPlay : QStyle::SP_MediaPause));
    m_play->setToolTip(play ? tr("Play") : tr("Pause"));
}

void CTemplatePage::OnPlayButton() {
    if (m_playing) {
        m_preview->Pause(true);
        m_playing = false;
        return;
    }
    // From the last frame, play starts over.
    const int count = m_preview->GetFrameCount();
    if (count > 0 && m_preview->GetCurrentFrame() >= count - 1)
        m_preview->Seek(0);
    m_preview->Play();
    m_playing = true;
    ShowPlayIcon(false);
}

void CTemplatePage::OnPosition(int frame, int count) {
    ShowTime(frame, count);
    if (!m_playing || count < 2 || m_slider->isSliderDown())
        return;
    m_slider->setValue(int(std::lround(double(kSliderRange) * frame / (count - 1))));
}

void CTemplatePage::OnEnded() { ShowPlayIcon(true); }

// A step, a page or a drag of the handle: playback pauses while the slider
// moves and the preview follows it. A step or a page is over at once; a drag
// ends when the handle is released.
void CTemplatePage::OnSliderAction(int action) {
    if (m_playing)
        m_preview->Pause(true);
    SeekToSlider();
    if (action != QAbstractSlider::SliderMove)
        OnSliderReleased();
}

void CTemplatePage::OnSliderReleased() {
    if (m_playing) {
        m_preview->Play();
        ShowPlayIcon(false);
    }
    SeekToSlider();
}

void CTemplatePage::SeekToSlider() {
    const int count = m_preview->GetFrameCount();
    if (count <= 0)
        return;
    // The frame nearest to the handle, halves rounded up.
    const long long scaled = (long long)(count - 1) * m_slider->sliderPosition();
    const int frame = int((2 * scaled + kSliderRange) / (2 * kSliderRange));
    m_preview->Seek(frame);
    ShowTime(frame, count);
}

void CTemplatePage::resizeEvent(QResizeEvent* event) {
    CWizardPage::resizeEvent(event);
    const int w = width(), h = height();
    const int a = GetSetting(Settings::AspRatio) == 1 ? 480 : 360;
    const int x = (w - a) / 2;
    m_preview->setGeometry(x, 7, a, 270);
    m_play->setGeometry(x, 284, 20, 20);
    m_slider->setGeometry(x + 30, 289, a - 30, 20);
    m_time->setGeometry(x + a + 8, 286, 90, 24);
    m_instructions->setGeometry(20, 311, w - 40, 34);
    m_tabs->setGeometry(20, 345, w - 40, h - 345);
}
