#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <string>

class QWidget;

// Every question the wizard puts to the user in a window of its own: message
// boxes, file dialogs, the AVI codec choice, and opening a file or page with
// the desktop's program. The wizard asks through the current instance, so a
// test can stand in for the user; the default shows Qt's dialogs.
class CUserPrompts {
public:
    virtual ~CUserPrompts() = default;

    // A message box with one icon, caption and text; returns the button pressed.
    virtual QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon,
                                                const QString& caption, const QString& text,
                                                QMessageBox::StandardButtons buttons);
    // Existing files to open, several at once; empty when cancelled.
    virtual QStringList OpenFiles(QWidget* parent, const QString& folder, const QString& filter);
    // A file to save; the dialog asks before overwriting. Empty when cancelled.
    virtual QString SaveFile(QWidget* parent, const QString& folder, const QString& filter);
    // A video file to save, through SaveFile: the MPEG, AVI and MP4 types
    // offered (the current path's first), starting at the current path. A
    // chosen name keeps an extension of any of them (.mpg, .mpeg, .avi,
    // .mp4, .m4v, .mov, .mkv in any case); any other gets the current
    // path's type. Empty when cancelled.
    QString SaveVideo(QWidget* parent, const QString& current);
    // The encoders of an AVI file, by FFmpeg name (audio only asked when
    // withAudio); false when the user cancelled.
    virtual bool ChooseAviCodecs(QWidget* parent, bool withAudio, std::string& video,
                                 std::string& audio);
    // Opens a local file or page with the desktop's associated program.
    virtual bool OpenWithDesktop(const QString& path);

    // The instance the wizard asks; never null.
    static CUserPrompts& Current();
    // Installs another instance while it lives (tests).
    class CScope {
    public:
        explicit CScope(CUserPrompts& prompts);
        CScope(const CScope&) = delete;
        CScope& operator=(const CScope&) = delete;
        ~CScope();

    private:
        CUserPrompts* m_previous;
    };

private:
    static CUserPrompts* s_current;
};
