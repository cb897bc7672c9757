#pragma once

#include <QWidget>

#include <memory>
#include <string>

class CIntEdit;
class IAudioSrc;
class IEncodeEngine;
class IVideoSrc;
class QComboBox;
class QLabel;

// The Settings tab: the television standard and the format (DVD, SVCD,
// VCD, a custom size in two size fields, or a size of an MP4 file for
// screens). It makes the engine for an encode: an AVI file when the path
// ends in "avi" (after the user chose its encoders), an MP4 (QuickTime,
// Matroska) file when it ends so, else an MPEG program stream.
class CSettingsTab : public QWidget {
    Q_OBJECT
public:
    explicit CSettingsTab(QWidget* parent = nullptr);

    // All controls on or off; turned on, the size fields stay off unless the
    // disc type is custom.
    void EnableControls(bool enable);
    // The configured engine for the path, the audio source (may be null) set
    // to its sound format and the video source asked for its frames; null
    // when the user cancelled the AVI encoder choice, or, with a reason in
    // error, when the sources refuse the format.
    std::unique_ptr<IEncodeEngine> CreateEngine(IVideoSrc* video, IAudioSrc* audio,
                                                const std::string& path, std::string* error);

    // Whether the chosen format is a size for screens (an MP4 file).
    [[nodiscard]] bool IsScreenFormat() const;
    // Chooses a format the output file can hold: a size for screens for an
    // MP4, QuickTime or Matroska file, else a disc type. A fitting choice
    // stays.
    void FitToPath(const std::string& path);

    // The controls, for the owner's tests and its memory of the last session.
    [[nodiscard]] QComboBox* StandardList() const { return m_standard; }
    [[nodiscard]] QComboBox* DiscList() const { return m_disc; }
    [[nodiscard]] CIntEdit* WidthField() const { return m_width; }
    [[nodiscard]] CIntEdit* HeightField() const { return m_height; }

signals:
    // The user (or FitToPath) chose a format; screen: a size for screens.
    void FormatChosen(bool screen);

private:
    void LayOut();
    // A list changed: the size fields show the disc's size, editable only
    // for a custom size.
    void OnFormatChanged();

    QLabel* m_standardLabel;
    QComboBox* m_standard;
    QLabel* m_resolutionLabel;
    QComboBox* m_disc;
    QLabel* m_byLabel;
    CIntEdit* m_width;
    CIntEdit* m_height;
    bool m_enabled = true;
};
