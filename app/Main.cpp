// kelvclip: the template wizard.
#include "app/ZizeDivuApp.h"

int main(int argc, char** argv) {
    CZizeDivuApp app(argc, argv);
    app.InitInstance();
    return 0;
}
