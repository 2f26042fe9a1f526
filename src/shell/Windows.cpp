// Window creation. The windows live until the process ends and are never destroyed before.
#include "shell/Windows.h"

#include "shell/DovIvid.h"
#include "shell/RidAzidoz.h"
#include "shell/VodIroze.h"
#include "shell/VorAvov.h"
#include "status/ZedOvovurEduvudo.h"

void CreateWindows()
{
    if (!FormBoot)
        FormBoot = new TFormBoot;
    if (!FormAdjust) {
        FormAdjust = new TFormAdjust;
        // The adjustment window and the decoder ask the start window which model is in use.
        FormAdjust->ModelCodeSource = [] { return FormBoot->GetModelCode(); };
    }
    if (!FormQuit)
        FormQuit = new TFormQuit;
    if (!AboutBox)
        AboutBox = new TAboutBox;
    if (!StatusMonitorWindow)
        StatusMonitorWindow = new TStatusMonitorWindow;
}
