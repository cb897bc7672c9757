#pragma once

#include <QWidget>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

// The Folder tab: where the video goes. The path starts in the user's videos
// folder (else the documents folder, else home) with the template's name and
// the extension "avi"; the browse button picks another MPEG, AVI or MP4 file.
class CFolderTab : public QWidget {
    Q_OBJECT
public:
    explicit CFolderTab(QWidget* parent = nullptr);

    // The template's base name (the package's file name without extension);
    // the field becomes the default path for it.
    void SetBaseName(const std::string& name);
    [[nodiscard]] std::string GetPath() const;
    void SetPath(const std::string& path);
    [[nodiscard]] QLineEdit* PathField() const { return m_path; }
    // Makes the path's file one of screens (".mp4") or not (".mpg") when it
    // is not already; AVI files stay AVI files for disc types.
    void FitToFormat(bool screen);

    // folder + "/" + name, or name alone for an empty folder; an empty name
    // gives an empty path.
    static std::string JoinPath(const std::string& folder, const std::string& name);

signals:
    // The user chose or typed another path.
    void PathChosen(const std::string& path);

private:
    void OnBrowse();

    std::string m_extension = "avi";
    std::string m_baseName;
    QLabel* m_label;
    QLineEdit* m_path;
    QPushButton* m_browse;
};
