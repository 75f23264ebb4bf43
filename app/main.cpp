#include "CarvaletResources.h"
#include "WinApp.h"

int main(int argc, char* argv[])
{
    AfxSetResourceModule(&CarvaletResources());
    return AfxWinMain(argc, argv);
}
