// EEPROM initial setting and backup: both panels stay shown while they work; the writes and
// the backup across the main board change come with the EEPROM commands.
#include "shell/RidAzidoz.h"

void TFormAdjust::DefaultSetBtnClick() { }

void TFormAdjust::BackupOKBtnClick() { }
