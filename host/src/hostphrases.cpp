#include "hostphrases.h"

#include <stddef.h>

// English, German, then the other languages (empty: not translated).
#define ROW(en, de) { en, de, "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "" }

const tI18nPhrase HostPhrases[] = {
  ROW("no", "nein"),
  ROW("yes", "ja"),
  ROW("Button$Mark", "Markieren"),
  ROW("Button$Delete", "Löschen"),
  ROW("Button$Play", "Wiedergabe"),
  ROW("Button$On/Off", "Ein/Aus"),
  ROW("Delete recording?", "Aufzeichnung löschen?"),
  ROW("Timer still recording - really delete?", "Timer zeichnet auf - trotzdem löschen?"),
  ROW("Error while deleting recording!", "Fehler beim Löschen der Aufzeichnung!"),
  ROW("Jump: ", "Springen: "),
  ROW("Main Menu", "Hauptmenü"),
  ROW("Setup", "Einstellungen"),
  ROW("Plugins", "Plugins"),
  { NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL }
};
