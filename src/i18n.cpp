#include "i18n.h"

#include <stddef.h>

#include "vimora.h"

// English, German, then the other languages (empty: not translated).
#define ROW(en, de) { en, de, "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "" }

const char *const PhraseLocales[PhraseLanguages] = {
  "en_US", "de_DE", "sl_SI", "it_IT", "nl_NL", "pt_PT", "fr_FR", "nn_NO", "fi_FI", "pl_PL", "es_ES",
  "el_GR", "sv_SE", "ro_RO", "hu_HU", "ca_ES", "ru_RU", "hr_HR", "et_EE", "da_DK", "cs_CZ",
};

constexpr tPhrase Phrases[] = {
  ROW("a grabber for VimoraMusic", "Ein Grabber für VimoraMusic"),
  ROW("Vimora", "Vimora"),
  {
    AllowedCharsKey, // English
    " aäbcdefghijklmnoöpqrsßtuüvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@", // German
    " abcdefghijklmnopqrstuvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@", // Slovenian
    " aàbcdeéèfghiîjklmnopqrstuùvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@", // Italian
    " abcdefghijklmnopqrstuvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@", // Dutch
    " abcdefghijklmnopqrstuvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@", // Portuguese
    " aàbcçdeéèêfghiîjklmnoôpqrstuùûvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@", // French
    " abcdefghijklmnopqrstuvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@", // Norwegian
    " abcdefghijklmnopqrstuvwxyzåäö0123456789-.#~\\^$[]|()*+?{}/:%@", // Finnish
    " abcdefghijklmnopqrstuvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@", // Polish
    " aábcdeéfghiíjklmnñoópqrstuúvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@", // Spanish
    " áÜâãäåÝæçÞèéßêëìíîïüðñóòôõýö÷øùþ0123456789-.#~abcdefghijklmnopqrstuvwxyz\\^$[]|()*+?{}/:%@", // Greek
    " abcdefghijklmnopqrstuvwxyzåäö0123456789-.#~\\^$[]|()*+?{}/:%@", // Swedish
    " aãâbcdefghiîjklmnopqrsºtþuvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@", // Romanian
    " aábcdeéfghiíjklmnoóöpqrstuúüvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@", // Hungarian
    " aàbcçdeéèfghiíjklmnoòpqrstuúvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@", // Catalan
    " abcdefghijklmnopqrstuvwxyzÐÑÒÓÔÕñÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìîï0123456789-.#~\\^$[]|()*+?{}/:%@", // Russian
    " abcèædðefghijklmnopqrs¹tuvwxyz¾0123456789-.#~\\^$[]|()*+?{}/:%@", // Croatian
    " abcdefghijklmnopqrsðzþtuvwõäöüxyå0123456789-.#~\\^$[]|()*+?{}/:%@", // Estonian
    " abcdefghijklmnopqrstuvwxyzæøå0123456789-.#~\\^$[]|()*+?{}/:%@", // Danish
    " abcdefghijklmnopqrstuvwxyzæøå0123456789-.#~\\^$[]|()*+?{}/:%@" // Czech
  },
  ROW("Format for cut marks", "Schnittmarken-Format"),
  ROW("No marks available!", "Keine Marken vorhanden!"),
  {
    "Hide main menu entry", // English
    "Hauptmenüeintrag verstecken", // German
    "", // Slovenian
    "Nascondi voce nel menù principale", // Italian
    "Verberg hoofd menu ingave", // Dutch
    "", // Portuguese
    "Invisible dans le menu principal", // French
    "", // Norwegian
    "Piilota valinta päävalikosta", // Finnish
    "", // Polish
    "", // Spanish
    "", // Greek
    "", // Swedish
    "", // Romanian
    "", // Hungarian
    "", // Catalan
    "", // Russian
    "", // Croatian
    "", // Estonian
    "", // Danish
    "" // Czech
  },
  ROW("Vimora Recordings", "Vimora-Aufnahmen"),
  ROW("Button$Convert", "Konvertieren"),
  ROW("Error while accessing recording!", "Fehler beim Zugriff auf Aufnahme!"),
  ROW("Marks created!", "Marken wurden erzeugt!"),
  ROW("Songs", "Songs"),
  ROW("Button$Start", "Starten"),
  ROW("Button$Songs", "Songs"),
  ROW("Offset for marks [s]", "Marken-Offset [s]"),
  ROW("Convert vimora recording", "Konvertiere Vimora-Aufnahme"),
  ROW("Create video clips", "Erstelle Video-Clips"),
  ROW("Create audio clips", "Erstelle Audio-Clips"),
  ROW("Create audio and video clips", "Erstelle Audio- und Video-Clips"),
  ROW("Vimora audio conversion started!", "Vimora-Audio-Konvertierung gestartet!"),
  ROW("Vimora audio conversion finished!", "Vimora-Audio-Konvertierung beendet!"),
  ROW("Conversion in progress! Abort conversion?", "Konvertierung läuft bereits! Abbrechen?"),
  ROW("Track info", "Track-Information"),
  ROW("Artist", "Künstler"),
  ROW("Title", "Titel"),
  ROW("Year", "Jahr"),
  ROW("Remove track?", "Track entfernen?"),
  ROW("Avoid repeats", "Vermeide Wiederholungen"),
  ROW("Audio format", "Audio-Format"),
  ROW("Vimora audio conversion still running!", "Vimora-Audio-Konvertierung läuft noch!"),
  ROW("Apply blacklist again?", "Blacklist erneut anwenden?"),
  ROW("Find song boundaries", "Songgrenzen suchen"),
  ROW("Search for boundaries [s]", "Suche nach Grenzen [s]"),
  ROW("Searching the song boundaries...", "Suche die Songgrenzen..."),
  ROW("Convert after recording", "Nach der Aufnahme konvertieren"),
  ROW("audio", "Audio"),
  ROW("audio and video", "Audio und Video"),
  {
    "Vimora audio conversion: %d of %d tracks failed!", // English
    "Vimora-Audio-Konvertierung: %d von %d Tracks fehlgeschlagen!", // German
    "Vimora pretvorba zvoka: %d od %d skladb ni uspelo!", // Slovenian
    "Conversione audio Vimora: %d di %d brani non riusciti!", // Italian
    "Vimora-audioconversie: %d van %d nummers mislukt!", // Dutch
    "Conversão de áudio Vimora: %d de %d faixas falharam!", // Portuguese
    "Conversion audio Vimora : échec de %d pistes sur %d !", // French
    "Vimora lydkonvertering: %d av %d spor mislyktes!", // Norwegian
    "Vimora-äänimuunnos: %d/%d kappaletta epäonnistui!", // Finnish
    "Konwersja audio Vimora: nie powiodło się %d z %d utworów!", // Polish
    "¡Conversión de audio de Vimora: fallaron %d de %d pistas!", // Spanish
    "Μετατροπή ήχου Vimora: απέτυχαν %d από %d κομμάτια!", // Greek
    "Vimora ljudkonvertering: %d av %d spår misslyckades!", // Swedish
    "Conversie audio Vimora: %d din %d piese au eșuat!", // Romanian
    "Vimora hangátalakítás: %d / %d szám sikertelen!", // Hungarian
    "Conversió d'àudio de Vimora: han fallat %d de %d pistes!", // Catalan
    "Аудиоконвертация Vimora: не удалось %d из %d треков!", // Russian
    "Vimora pretvorba zvuka: %d od %d pjesama nije uspjelo!", // Croatian
    "Vimora helikonverteerimine: %d lugu %d-st ebaõnnestus!", // Estonian
    "Vimora lydkonvertering: %d af %d numre mislykkedes!", // Danish
    "Převod zvuku Vimora: %d z %d skladeb se nezdařilo!" // Czech
  },
  {
    "%d failed", // English
    "%d fehlgeschlagen", // German
    "%d neuspešnih", // Slovenian
    "%d non riusciti", // Italian
    "%d mislukt", // Dutch
    "%d falharam", // Portuguese
    "%d en échec", // French
    "%d mislyktes", // Norwegian
    "%d epäonnistui", // Finnish
    "%d nieudanych", // Polish
    "%d fallidas", // Spanish
    "%d απέτυχαν", // Greek
    "%d misslyckades", // Swedish
    "%d eșuate", // Romanian
    "%d sikertelen", // Hungarian
    "%d fallides", // Catalan
    "%d с ошибкой", // Russian
    "%d neuspjelih", // Croatian
    "%d ebaõnnestus", // Estonian
    "%d mislykkedes", // Danish
    "%d selhalo" // Czech
  },
  {
    "Cannot write into folder %s: %s", // English
    "Kann nicht in den Ordner %s schreiben: %s", // German
    "Ni mogoče pisati v mapo %s: %s", // Slovenian
    "Impossibile scrivere nella cartella %s: %s", // Italian
    "Kan niet schrijven in map %s: %s", // Dutch
    "Não é possível escrever na pasta %s: %s", // Portuguese
    "Impossible d'écrire dans le dossier %s : %s", // French
    "Kan ikke skrive til mappen %s: %s", // Norwegian
    "Kansioon %s ei voi kirjoittaa: %s", // Finnish
    "Nie można zapisać w folderze %s: %s", // Polish
    "No se puede escribir en la carpeta %s: %s", // Spanish
    "Δεν είναι δυνατή η εγγραφή στον φάκελο %s: %s", // Greek
    "Kan inte skriva till mappen %s: %s", // Swedish
    "Nu se poate scrie în dosarul %s: %s", // Romanian
    "Nem lehet írni a(z) %s mappába: %s", // Hungarian
    "No es pot escriure a la carpeta %s: %s", // Catalan
    "Невозможно записать в папку %s: %s", // Russian
    "Nije moguće pisati u mapu %s: %s", // Croatian
    "Kausta %s ei saa kirjutada: %s", // Estonian
    "Kan ikke skrive til mappen %s: %s", // Danish
    "Nelze zapisovat do složky %s: %s" // Czech
  },
  {
    "The NFO or thumbnail of a clip could not be written!", // English
    "NFO oder Vorschaubild eines Clips konnte nicht geschrieben werden!", // German
    "NFO ali sličice posnetka ni bilo mogoče zapisati!", // Slovenian
    "Impossibile scrivere l'NFO o la miniatura di una clip!", // Italian
    "De NFO of miniatuur van een clip kon niet worden geschreven!", // Dutch
    "Não foi possível escrever o NFO ou a miniatura de um clipe!", // Portuguese
    "Impossible d'écrire le NFO ou la vignette d'un clip !", // French
    "NFO eller miniatyrbilde for et klipp kunne ikke skrives!", // Norwegian
    "Leikkeen NFO:ta tai pikkukuvaa ei voitu kirjoittaa!", // Finnish
    "Nie można zapisać pliku NFO lub miniatury klipu!", // Polish
    "¡No se pudo escribir el NFO o la miniatura de un clip!", // Spanish
    "Δεν ήταν δυνατή η εγγραφή του NFO ή της μικρογραφίας ενός κλιπ!", // Greek
    "NFO eller miniatyrbild för ett klipp kunde inte skrivas!", // Swedish
    "NFO-ul sau miniatura unui clip nu a putut fi scrisă!", // Romanian
    "Egy klip NFO-ja vagy bélyegképe nem írható!", // Hungarian
    "No s'ha pogut escriure l'NFO o la miniatura d'un clip!", // Catalan
    "Не удалось записать NFO или миниатюру клипа!", // Russian
    "NFO ili sličica isječka nije se mogla zapisati!", // Croatian
    "Klipi NFO-d või pisipilti ei saanud kirjutada!", // Estonian
    "NFO eller miniature for et klip kunne ikke skrives!", // Danish
    "NFO nebo náhled klipu nelze zapsat!" // Czech
  },
  {
    "Vimora video cut started!", // English
    "Vimora-Videoschnitt gestartet!", // German
    "Vimora rezanje videa se je začelo!", // Slovenian
    "Taglio video Vimora avviato!", // Italian
    "Vimora-video knippen gestart!", // Dutch
    "Corte de vídeo Vimora iniciado!", // Portuguese
    "Découpe vidéo Vimora démarrée !", // French
    "Vimora videoklipping startet!", // Norwegian
    "Vimora-videon leikkaus aloitettu!", // Finnish
    "Cięcie wideo Vimora rozpoczęte!", // Polish
    "¡Corte de vídeo de Vimora iniciado!", // Spanish
    "Η κοπή βίντεο Vimora ξεκίνησε!", // Greek
    "Vimora videoklippning startad!", // Swedish
    "Tăierea video Vimora a început!", // Romanian
    "Vimora videóvágás elindult!", // Hungarian
    "Tall de vídeo de Vimora iniciat!", // Catalan
    "Нарезка видео Vimora начата!", // Russian
    "Vimora rezanje videa započelo!", // Croatian
    "Vimora videolõikus alustatud!", // Estonian
    "Vimora videoklipning startet!", // Danish
    "Stříhání videa Vimora zahájeno!" // Czech
  },
  {
    "Vimora video cut finished!", // English
    "Vimora-Videoschnitt beendet!", // German
    "Vimora rezanje videa je končano!", // Slovenian
    "Taglio video Vimora terminato!", // Italian
    "Vimora-video knippen voltooid!", // Dutch
    "Corte de vídeo Vimora concluído!", // Portuguese
    "Découpe vidéo Vimora terminée !", // French
    "Vimora videoklipping ferdig!", // Norwegian
    "Vimora-videon leikkaus valmis!", // Finnish
    "Cięcie wideo Vimora zakończone!", // Polish
    "¡Corte de vídeo de Vimora terminado!", // Spanish
    "Η κοπή βίντεο Vimora ολοκληρώθηκε!", // Greek
    "Vimora videoklippning klar!", // Swedish
    "Tăierea video Vimora s-a încheiat!", // Romanian
    "Vimora videóvágás befejeződött!", // Hungarian
    "Tall de vídeo de Vimora acabat!", // Catalan
    "Нарезка видео Vimora завершена!", // Russian
    "Vimora rezanje videa završeno!", // Croatian
    "Vimora videolõikus lõpetatud!", // Estonian
    "Vimora videoklipning færdig!", // Danish
    "Stříhání videa Vimora dokončeno!" // Czech
  },
  { NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL }
};

static constexpr size_t Length(const char *s)
{
  size_t n = 0;
  while (s && s[n])
    n++;
  return n;
}

static constexpr bool Equal(const char *a, const char *b)
{
  while (*a && *a == *b) {
    a++;
    b++;
  }
  return *a == *b;
}

// The longest text of Key's row in any language (0 when there is no such row).
static constexpr size_t LongestText(const char *Key)
{
  for (const tPhrase *p = Phrases; (*p)[0]; p++) {
      if (Equal((*p)[0], Key)) {
         size_t longest = 0;
         for (const char *t : *p)
             longest = Length(t) > longest ? Length(t) : longest;
         return longest;
      }
  }
  return 0;
}

static_assert(LongestText(cPluginVimora::MainMenuEntryKey) + Length(" (100%)") < cPluginVimora::MainMenuEntrySize,
              "the main menu entry buffer is too small for a translation of its text and the progress");
