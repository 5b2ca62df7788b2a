#include "ui/Start.h"

int main(int argc, char** argv)
{
    return fendix::ui::ProgramMain(argc, argv);
}
