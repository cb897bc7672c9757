#include "app/ZizeDivuApp.h"

#include "app/DlgTmpl2.h"
#include "audio/DecoderProbe.h"
#include "project/ProjTmpl.h"

CZizeDivuApp::CZizeDivuApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("kelvclip"));
    setOrganizationName(QStringLiteral("Quintar"));
    // Sounds and clips are recognised by their decoders.
    CDecoderProbe::Install();
}

QString CZizeDivuApp::TitleFrom(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (!arguments[i].startsWith('-'))
            return arguments[i];
    return QStringLiteral("Reelkit");
}

bool CZizeDivuApp::InitInstance() {
    const QString title = TitleFrom(arguments());
    CProjTmpl tmpl;
    if (!tmpl.Load("tmpl.vez"))
        return false;
    {
        CDlgTmpl2 wizard(title);
        wizard.SetTemplate(&tmpl);
        wizard.exec();
    }
    return false;
}
