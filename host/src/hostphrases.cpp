#include "hostphrases.h"

#include <stddef.h>

// English, German, then the other languages (empty: not translated).
#define ROW(en, de) { en, de, "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "" }

const tHostPhrase HostPhrases[] = {
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
  ROW("Plugin", "Plugin"),
  ROW("OSD", "OSD"),
  ROW("Replay", "Wiedergabe"),
  ROW("Language", "Sprache"),
  ROW("Message time (s)", "Zeitdauer für Meldungen (s)"),
  ROW("Multi speed mode", "Mehrstufiger Vor-/Rücklauf"),
  ROW("Show replay mode", "Wiedergabestatus anzeigen"),
  ROW("This plugin has no setup parameters!", "Dieses Plugin hat keine Einstellungen!"),
  { NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL }
};
