#include "app/KelvclipApp.h"

#include "app/StartOptions.h"
#include "app/UserPrompts.h"
#include "app/Wizard.h"
#include "audio/DecoderProbe.h"
#include "base/Folders.h"
#include "project/ProjTmpl.h"

#include <cstdio>

namespace {

SStartOptions OptionsFrom(const QStringList& arguments) {
    std::vector<std::string> list;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        list.push_back(arguments[i].toStdString());
    return SStartOptions::Parse(list);
}

} // namespace

CKelvclipApp::CKelvclipApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("kelvclip"));
    setOrganizationName(QStringLiteral("Quintar"));
    // The desktop entry's name, so a window finds its menu entry and icon.
    setDesktopFileName(QStringLiteral("org.quintar.kelvclip"));
    // Sounds and clips are recognised by their decoders.
    CDecoderProbe::Install();
}

QString CKelvclipApp::TitleFrom(const QStringList& arguments) {
    return QString::fromStdString(OptionsFrom(arguments).title);
}

bool CKelvclipApp::OpenTemplate(const SStartOptions& options, CProjTmpl& tmpl, int& exitCode) {
    exitCode = 0;
    const QString title = QString::fromStdString(options.title);
    std::string path = options.templatePath;
    if (options.templateGiven && path.empty()) {
        // Started from the menu: the dialog opens where the demo template is.
        std::string folder;
        if (!GetAppFolder(kFolderDemo, folder))
            GetUserFolder(kFolderDocuments, folder, true);
        const QStringList chosen = CUserPrompts::Current().OpenFiles(
            nullptr, QString::fromStdString(folder), tr("Templates (*.vez);;All files (*)"));
        if (chosen.isEmpty())
            return false;
        path = chosen.front().toStdString();
    }
    if (tmpl.Load(path))
        return true;
    if (options.templateGiven) {
        // Named on purpose, often from the file manager where no terminal
        // shows the line: the reason goes to a message box as well.
        // The loader's reason names the file.
        const std::string& why = tmpl.GetError();
        const QString text = tr("The template cannot be opened: %1")
                                 .arg(QString::fromStdString(why.empty() ? path : why));
        std::fprintf(stderr, "kelvclip: %s\n", qPrintable(text));
        CUserPrompts::Current().Message(nullptr, QMessageBox::Warning, title, text, QMessageBox::Ok);
        exitCode = 1;
    }
    return false;
}

bool CKelvclipApp::InitInstance() {
    // Qt has taken its own options out of arguments() by now.
    const SStartOptions options = OptionsFrom(arguments());
    CProjTmpl tmpl;
    if (!OpenTemplate(options, tmpl, m_exitCode))
        return false;
    {
        CWizard wizard(QString::fromStdString(options.title));
        wizard.SetTemplate(&tmpl);
        wizard.exec();
    }
    return false;
}
