// The translation table's form: what the host relies on when it walks it.
#include <set>
#include <vdr/tools.h>

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

} // namespace

TEST_F(cVimoraI18n, ThirtyThreeFullRowsThenTheNullRow)
{
  ASSERT_EQ(Rows(), 33);
  for (int i = 0; i < 33; i++) {
      for (int l = 0; l < I18nNumLanguages; l++)
          EXPECT_NE(Phrases[i][l], nullptr) << "row " << i + 1 << " language " << l;
      EXPECT_STRNE(Phrases[i][1], "") << "row " << i + 1 << " has no German text";
  }
  for (int l = 0; l < I18nNumLanguages; l++)
      EXPECT_EQ(Phrases[33][l], nullptr);
}

TEST_F(cVimoraI18n, KeysAreUniqueAndTextsValidUtf8)
{
  std::set<std::string> keys;
  for (int i = 0; i < Rows(); i++) {
      EXPECT_TRUE(keys.insert(Phrases[i][0]).second) << Phrases[i][0];
      for (int l = 0; l < I18nNumLanguages; l++)
          EXPECT_TRUE(Utf8Valid(Phrases[i][l])) << "row " << i + 1 << " language " << l;
  }
}

TEST_F(cVimoraI18n, OnlyAllowedCharsAndHideEntryRowsHaveOtherLanguages)
{
  for (int i = 0; i < Rows(); i++) {
      int translated = 0;
      for (int l = 2; l < I18nNumLanguages; l++)
          translated += *Phrases[i][l] != 0;
      EXPECT_EQ(translated, i == 2 ? 19 : i == 5 ? 4 : 0) << "row " << i + 1;
  }
  EXPECT_STREQ(Phrases[2][0], AllowedChars);
  EXPECT_EQ(strlen(AllowedChars), 59u); // one backslash
  for (int l = 1; l < I18nNumLanguages; l++)
      EXPECT_EQ(Phrases[2][l][0], ' ') << "language " << l;
  EXPECT_STREQ(Phrases[2][1], " aäbcdefghijklmnoöpqrsßtuüvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@");
  EXPECT_STREQ(Phrases[5][8], "Piilota valinta päävalikosta");
}
