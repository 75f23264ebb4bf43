#include "platform/mfc/WinApp.h"
#include "res/CarvaletResources.h"

int main(int argc, char* argv[])
{
    layer::SetResourceModule(&CarvaletResources());
    return AfxWinMain(argc, argv);
}
