#include "GeneratorRegistry.h"

int main(int argc, char** argv)
{
    return RunGeneratorMain(argc, argv);
}
