#include <vdr/player.h>

cControl *cControl::control = NULL;

cControl::cControl(void)
{
}

cControl::~cControl()
{
  if (control == this)
     control = NULL;
}

void cControl::Launch(cControl *Control)
{
  cControl *old = control;
  control = Control;
  if (old != Control)
     delete old;
}

void cControl::Shutdown(void)
{
  cControl *old = control;
  control = NULL;
  delete old;
}
