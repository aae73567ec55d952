#include "vimora_config.h"

cVimoraConfig::cVimoraConfig(void)
  : format("%artist% - %title% (%year%)"), offset(3), hidemainmenuentry(0), avoidrepeats(1), audioformat(0),
    refinemarks(0), refinewindow(20), autoconvert(0),
    audioname("%artist% - %title% (%year%)")
{
}
