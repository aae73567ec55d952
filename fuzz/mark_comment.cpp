// A start mark's comment, which carries guide texts: the clip name the convert menu
// makes of it (FormatMark) and the file name the cutting plug-in makes of that. The
// input is the name pattern (the first line, the user's setting) and the comment; an
// input without a line break keeps the default pattern. Whatever they hold, the name is
// made in bounded time and the clip lands in the clip folder as a visible file.
#include "cutter.h"
#include "fuzzsupport.h"
#include "menu_convert.h"
#include "vimora_config.h"

static void CheckClipName(const std::string &Comment)
{
  std::string name = ClipName(Comment.c_str(), int(Comment.size() * 997));
  FUZZ_CHECK(!name.empty() && name.size() <= 200, name);
  FUZZ_CHECK(name.find('/') == std::string::npos && name[0] != '.', name);
  for (char c : name)
      FUZZ_CHECK((unsigned char)c >= ' ' && c != 0x7F, name);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  static const std::string DefaultFormat = VimoraConfig.format;
  std::string input = FuzzText(Data, Size);
  size_t lineEnd = input.find('\n');
  bool ownFormat = lineEnd != std::string::npos;
  VimoraConfig.format = ownFormat ? input.substr(0, lineEnd) : DefaultFormat;
  std::string comment = ownFormat ? input.substr(lineEnd + 1) : input;
  std::string name = cMenuConvert::FormatMark(comment);
  // the fields come from between the bars, and the default pattern has none
  if (!ownFormat && comment.find('|') != std::string::npos)
     FUZZ_CHECK(name.find('|') == std::string::npos, name);
  CheckClipName(comment);
  CheckClipName(name);
  return 0;
}
