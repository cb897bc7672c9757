#pragma once

#include <QApplication>

// The program: start-up loads "tmpl.vez" from the working directory and runs
// the template wizard on it; the first plain argument is the wizard's title.
// A template that cannot be loaded ends the program silently.
class CZizeDivuApp : public QApplication {
    Q_OBJECT
public:
    CZizeDivuApp(int& argc, char** argv);

    // The whole run: returns false, which ends the program with exit code 0.
    bool InitInstance();

    // The title from the arguments after the program name: the first one
    // that is not an option, else "Reelkit".
    static QString TitleFrom(const QStringList& arguments);
};
