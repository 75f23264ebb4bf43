#include "res/CarvaletResources.h"
#include "platform/mfc/WinApp.h"

int main(int argc, char* argv[])
{
    layer::SetResourceModule(&CarvaletResources());
    return AfxWinMain(argc, argv);
}
