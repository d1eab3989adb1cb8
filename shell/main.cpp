#include "App.h"

int main(int argc, char** argv) {
    return vorex::ui::RunProgram(argc, argv);
}
