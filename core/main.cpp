// The program's entry point.
#include "core/Application.h"

int main(int argc, char** argv)
{
    return tolva::Application(argc, argv).run();
}
