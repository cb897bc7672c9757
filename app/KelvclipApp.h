#pragma once

#include <QApplication>

class CProjTmpl;
struct SStartOptions;

// The program: start-up loads "tmpl.vez" from the working directory (or the
// file named by --template) and runs the template wizard on it; the first
// plain argument is the wizard's title. A tmpl.vez that cannot be loaded ends
// the program silently; a template named by --template that cannot be loaded
// is reported, and the program ends with exit code 1.
class CKelvclipApp : public QApplication {
    Q_OBJECT
public:
    CKelvclipApp(int& argc, char** argv);

    // The whole run: returns false, which ends the program with ExitCode().
    bool InitInstance();
    [[nodiscard]] int ExitCode() const { return m_exitCode; }

    // The title from the arguments after the program name: the first one
    // that is neither an option nor an option's value, else "Reelkit".
    static QString TitleFrom(const QStringList& arguments);

    // Loads the template the options name into tmpl, first asking for the
    // file when --template came without one. Returns false when there is
    // nothing to show; exitCode then says how the program ends (0 for no
    // tmpl.vez or a cancelled choice, 1 for a named template that cannot be
    // opened, which is also reported).
    static bool OpenTemplate(const SStartOptions& options, CProjTmpl& tmpl, int& exitCode);

private:
    int m_exitCode = 0;
};
