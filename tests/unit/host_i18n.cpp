// The host reads plug-ins' message catalogues as gettext does, and a damaged or foreign
// catalogue translates nothing rather than showing stray bytes.
#include <atomic>
#include <thread>
#include <vdr/i18n.h>

#include "../../host/src/catalogue.h"
#include "testenv.h"

namespace {

typedef std::vector<std::pair<std::string, std::string>> tEntries;

void Put(std::string &Data, size_t Offset, uint32_t Value, bool BigEndian)
{
  for (int i = 0; i < 4; i++)
      Data[Offset + i] = char(Value >> (BigEndian ? 24 - 8 * i : 8 * i));
}

// A catalogue as msgfmt lays it out: header, the two tables, the keys, the texts.
std::string Catalogue(tEntries Entries, bool BigEndian = false, const std::string &Charset = "UTF-8")
{
  Entries.insert(Entries.begin(), { "", "Content-Type: text/plain; charset=" + Charset + "\n" });
  size_t n = Entries.size();
  std::string data(28 + 16 * n, '\0');
  Put(data, 0, 0x950412de, BigEndian);
  Put(data, 8, uint32_t(n), BigEndian);
  Put(data, 12, 28, BigEndian);
  Put(data, 16, uint32_t(28 + 8 * n), BigEndian);
  for (int table = 0; table < 2; table++) {
      for (size_t i = 0; i < n; i++) {
          const std::string &s = table ? Entries[i].second : Entries[i].first;
          Put(data, 28 + 8 * (table * n + i), uint32_t(s.size()), BigEndian);
          Put(data, 28 + 8 * (table * n + i) + 4, uint32_t(data.size()), BigEndian);
          data += s;
          data += '\0';
      }
  }
  return data;
}

const tEntries German = {
  { "Button$Start", "Starten" },
  { std::string("file\0files", 10), std::string("Datei\0Dateien", 13) },
  { "menu\004Start", "Anfang" },
  { "Untranslated", "" },
};

} // namespace

class cHostI18n : public cTestEnv {
protected:
  std::string Install(const std::string &Locale, const std::string &Data)
  {
    std::string dir = root + "/locale/" + Locale + "/LC_MESSAGES";
    EXPECT_TRUE(MakeDirs(dir.c_str(), true));
    EXPECT_TRUE(WriteFile(dir + "/vdr-test.mo", Data));
    return dir + "/vdr-test.mo";
  }
};

TEST_F(cHostI18n, BothByteOrdersPluralsAndContexts)
{
  for (bool bigEndian : { false, true }) {
      cMessageCatalogue c;
      ASSERT_TRUE(c.Load(Install("de_DE", Catalogue(German, bigEndian)).c_str())) << bigEndian;
      EXPECT_STREQ(c.Translate("Button$Start"), "Starten");
      EXPECT_STREQ(c.Translate("file"), "Datei"); // tr() asks for the singular
      EXPECT_EQ(c.Translate("Start"), nullptr);   // only with its context
      EXPECT_EQ(c.Translate("Untranslated"), nullptr);
      EXPECT_EQ(c.Translate(""), nullptr);        // not the header
      EXPECT_EQ(c.Size(), 3);
  }
}

TEST_F(cHostI18n, PluginTextsComeFromTheirCatalogueInTheLocaleFolder)
{
  Install("de_DE", Catalogue(German));
  I18nInitialize((root + "/locale").c_str());
  EXPECT_STREQ(I18nTranslate("Button$Start", "vdr-test"), "Start");
  I18nSetLocale("de_DE");
  EXPECT_STREQ(I18nTranslate("Button$Start", "vdr-test"), "Starten");
  EXPECT_STREQ(I18nTranslate("Button$Start", "vdr-other"), "Start");
  EXPECT_STREQ(I18nTranslate("Untranslated$Text", "vdr-test"), "Text");
  EXPECT_STREQ(I18nTranslate("Button$Mark", "vdr-test"), "Mark");
  EXPECT_STREQ(I18nTranslate("Button$Mark"), "Markieren");
  I18nSetLocale("fr_FR"); // no French catalogue
  EXPECT_STREQ(I18nTranslate("Button$Start", "vdr-test"), "Start");
  I18nSetLocale("xx_XX");
  EXPECT_STREQ(I18nLocale(I18nCurrentLanguage()), "fr_FR");
  I18nSetLanguage(I18nNumLanguagesWithLocale());
  EXPECT_STREQ(I18nLocale(I18nCurrentLanguage()), "fr_FR");
  ASSERT_EQ(I18nLanguages()->Size(), I18nNumLanguagesWithLocale());
  EXPECT_STREQ((*I18nLanguages())[1], "German");
  EXPECT_EQ(I18nLocale(-1), nullptr);
}

TEST_F(cHostI18n, DamagedCataloguesTranslateNothing)
{
  std::string good = Catalogue(German);
  std::string path = Install("de_DE", good);
  // every cut loses at least the last text's end
  for (size_t n = 0; n < good.size(); n++) {
      WriteFile(path, good.substr(0, n));
      cMessageCatalogue c;
      EXPECT_FALSE(c.Load(path.c_str())) << n;
      EXPECT_EQ(c.Translate("Button$Start"), nullptr) << n;
  }
  auto Damaged = [&](size_t Offset, uint32_t Value) {
    std::string d = good;
    Put(d, Offset, Value, false);
    WriteFile(path, d);
    cMessageCatalogue c;
    return !c.Load(path.c_str()) && c.Size() == 0;
  };
  EXPECT_TRUE(Damaged(0, 0x12345678));             // magic
  EXPECT_TRUE(Damaged(4, 2 << 16));                // revision
  EXPECT_TRUE(Damaged(8, 0xffffffff));             // count
  EXPECT_TRUE(Damaged(12, 0xfffffff0));            // key table
  EXPECT_TRUE(Damaged(28 + 8, 0xffffffff));        // a key's length
  EXPECT_TRUE(Damaged(28 + 12, uint32_t(good.size()))); // a key's offset
  EXPECT_TRUE(Damaged(28 + 8, 3));                 // a key without its NUL
  EXPECT_TRUE(HostLogHas("damaged message catalogue"));

  // the host translates nothing from it and tells why
  I18nInitialize((root + "/locale").c_str());
  I18nSetLocale("de_DE");
  WriteFile(path, good.substr(0, good.size() - 1));
  EXPECT_STREQ(I18nTranslate("Button$Start", "vdr-test"), "Start");
  EXPECT_TRUE(HostLogHas(path + ": damaged message catalogue"));
}

TEST_F(cHostI18n, OnlyUtf8CataloguesAreRead)
{
  std::string path = Install("de_DE", Catalogue({ { "Title", "\xdc" "berschrift" } }, false, "ISO-8859-1"));
  cMessageCatalogue c;
  EXPECT_FALSE(c.Load(path.c_str()));
  EXPECT_TRUE(HostLogHas("message catalogue in ISO-8859-1, the host reads UTF-8 only"));
  WriteFile(path, Catalogue({ { "Title", "Überschrift" } }, false, "utf-8"));
  ASSERT_TRUE(c.Load(path.c_str()));
  EXPECT_STREQ(c.Translate("Title"), "Überschrift");
}

// Plug-in threads show messages while the user changes the language: the first
// look-up of a catalogue and the later ones must not race.
TEST_F(cHostI18n, ThreadsTranslateWhileTheLanguageChanges)
{
  Install("de_DE", Catalogue(German));
  Install("it_IT", Catalogue({ { "Button$Start", "Avvia" } }));
  I18nInitialize((root + "/locale").c_str());
  std::atomic<bool> wrong(false);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; t++) {
      threads.emplace_back([&wrong] {
        for (int i = 0; i < 2000; i++) {
            std::string s = I18nTranslate("Button$Start", "vdr-test");
            if (s != "Start" && s != "Starten" && s != "Avvia")
               wrong = true;
        }
      });
  }
  for (int i = 0; i < 2000; i++)
      I18nSetLocale(i % 3 == 0 ? "de_DE" : i % 3 == 1 ? "it_IT" : I18N_DEFAULT_LOCALE);
  for (auto &t : threads)
      t.join();
  EXPECT_FALSE(wrong);
  I18nSetLocale("it_IT");
  EXPECT_STREQ(I18nTranslate("Button$Start", "vdr-test"), "Avvia");
}
