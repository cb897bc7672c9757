// kelvclip: the template wizard.
#include "app/ZizeDivuApp.h"
#include "base/SignalWatch.h"

int main(int argc, char** argv) {
    // SIGINT, SIGTERM and SIGHUP remove the template's extracted files before
    // the program ends by them, as the command line does.
    CSignalWatch::Start();
    CZizeDivuApp app(argc, argv);
    app.InitInstance();
    return 0;
}
