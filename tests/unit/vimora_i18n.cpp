// The translation table's form, and the message catalogues the build compiles from it:
// every text must come back byte for byte through the host's tr() and through gettext,
// which is how the recorder reads them.
#include <libintl.h>
#include <locale.h>
#include <set>
#include <vdr/i18n.h>
#include <vdr/tools.h>

#include "../../host/src/catalogue.h"
#include "i18n.h"
#include "menu_setup.h"
#include "testenv.h"

class cVimoraI18n : public cTestEnv {};

namespace {

int Rows(void)
{
  int n = 0;
  while (Phrases[n][0])
    n++;
  return n;
}

// What the recorder shows for an untranslated key: the text after its first '$'.
const char *Untranslated(const char *Key)
{
  const char *p = strchr(Key, '$');
  return p ? p + 1 : Key;
}

std::string CatalogueOf(int Language)
{
  return std::string(VIMORA_LOCALE_DIR) + "/" + PhraseLocales[Language] + "/LC_MESSAGES/" + PhraseDomain + ".mo";
}

} // namespace

extern "C" int _nl_msg_cat_cntr; // glibc's generation of looked-up translations

TEST_F(cVimoraI18n, FullRowsThenTheNullRow)
{
  // the thirty texts of the first release, then those of the song boundaries and the automatic
  // conversion, then those of failed conversions, then those of the library's folders and files,
  // then those of the video cut in the background
  ASSERT_EQ(Rows(), 42);
  EXPECT_STREQ(Phrases[29][0], "Apply blacklist again?");
  for (int i = 0; i < Rows(); i++) {
      for (int l = 0; l < PhraseLanguages; l++)
          EXPECT_NE(Phrases[i][l], nullptr) << "row " << i + 1 << " language " << l;
      EXPECT_STRNE(Phrases[i][1], "") << "row " << i + 1 << " has no German text";
  }
  for (int l = 0; l < PhraseLanguages; l++)
      EXPECT_EQ(Phrases[Rows()][l], nullptr);
}

TEST_F(cVimoraI18n, KeysAreUniqueAndTextsValidUtf8)
{
  std::set<std::string> keys;
  for (int i = 0; i < Rows(); i++) {
      EXPECT_TRUE(keys.insert(Phrases[i][0]).second) << Phrases[i][0];
      for (int l = 0; l < PhraseLanguages; l++)
          EXPECT_TRUE(Utf8Valid(Phrases[i][l])) << "row " << i + 1 << " language " << l;
  }
}

// Of the earlier texts only those two; every later one in every language.
TEST_F(cVimoraI18n, OnlyAllowedCharsAndHideEntryRowsHaveOtherLanguages)
{
  for (int i = 0; i < Rows(); i++) {
      int translated = 0;
      for (int l = 2; l < PhraseLanguages; l++)
          translated += *Phrases[i][l] != 0;
      EXPECT_EQ(translated, i == 2 || i >= 36 ? 19 : i == 5 ? 4 : 0) << "row " << i + 1;
  }
  EXPECT_STREQ(Phrases[2][0], AllowedChars);
  EXPECT_EQ(strlen(AllowedChars), 59u); // one backslash
  for (int l = 1; l < PhraseLanguages; l++)
      EXPECT_EQ(Phrases[2][l][0], ' ') << "language " << l;
  EXPECT_STREQ(Phrases[2][1], " aäbcdefghijklmnoöpqrsßtuüvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@");
  EXPECT_STREQ(Phrases[5][8], "Piilota valinta päävalikosta");
}

TEST_F(cVimoraI18n, EveryLanguageIsOneOfTheHostsLocales)
{
  std::set<std::string> locales;
  EXPECT_STREQ(PhraseLocales[0], I18N_DEFAULT_LOCALE);
  for (int l = 0; l < PhraseLanguages; l++) {
      EXPECT_TRUE(locales.insert(PhraseLocales[l]).second) << PhraseLocales[l];
      EXPECT_STREQ(I18nLocale(l), PhraseLocales[l]) << "language " << l;
  }
  EXPECT_FALSE(FileExists(CatalogueOf(0))) << "English is the key language";
}

// Each catalogue holds exactly the table's texts of its language; the host's tr() hands
// them out unchanged and shows the key's text for the rest.
TEST_F(cVimoraI18n, CataloguesHoldTheTableByteForByte)
{
  for (int l = 1; l < PhraseLanguages; l++) {
      SCOPED_TRACE(PhraseLocales[l]);
      cMessageCatalogue catalogue;
      ASSERT_TRUE(catalogue.Load(CatalogueOf(l).c_str())) << CatalogueOf(l);
      int translated = 0;
      I18nSetLocale(PhraseLocales[l]);
      ASSERT_EQ(I18nCurrentLanguage(), l);
      for (int i = 0; i < Rows(); i++) {
          const char *key = Phrases[i][0], *text = Phrases[i][l];
          const char *stored = catalogue.Translate(key);
          if (*text) {
             translated++;
             ASSERT_NE(stored, nullptr) << key;
             EXPECT_EQ(std::string(stored), std::string(text)) << key;
          }
          else
             EXPECT_EQ(stored, nullptr) << key;
          EXPECT_EQ(std::string(I18nTranslate(key, PhraseDomain)), std::string(*text ? text : Untranslated(key))) << key;
      }
      EXPECT_EQ(catalogue.Size(), translated);
  }
}

// glibc's gettext, which the recorder calls, reads the same bytes from the catalogues.
TEST_F(cVimoraI18n, GettextReadsTheTableByteForByte)
{
  ASSERT_NE(setlocale(LC_ALL, "C.UTF-8"), nullptr) << "the test needs the C.UTF-8 locale";
  ASSERT_NE(bindtextdomain(PhraseDomain, VIMORA_LOCALE_DIR), nullptr);
  for (int l = 1; l < PhraseLanguages; l++) {
      SCOPED_TRACE(PhraseLocales[l]);
      // as the recorder switches languages: gettext forgets what it looked up
      setenv("LANGUAGE", PhraseLocales[l], 1);
      ++_nl_msg_cat_cntr;
      for (int i = 0; i < Rows(); i++) {
          const char *key = Phrases[i][0], *text = Phrases[i][l];
          const char *t = dgettext(PhraseDomain, key);
          if (*text)
             EXPECT_EQ(std::string(t), std::string(text)) << key;
          else
             EXPECT_EQ(t, key) << "untranslated, gettext hands back the key itself";
      }
  }
  unsetenv("LANGUAGE");
  setlocale(LC_ALL, "C");
}
