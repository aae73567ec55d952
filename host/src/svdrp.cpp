#include <vdr/svdrp.h>

#include <string>
#include <strings.h>
#include <vdr/plugin.h>

namespace {

std::string Reply(int Code, const std::string &Text)
{
  std::string reply;
  size_t start = 0;
  for (;;) {
    size_t end = Text.find('\n', start);
    bool last = end == std::string::npos;
    reply += std::to_string(Code) + (last ? " " : "-") + Text.substr(start, last ? std::string::npos : end - start) + "\n";
    if (last)
       return reply;
    start = end + 1;
  }
}

// The next blank-separated word of Text from Pos on; Pos moves past it and its blanks.
std::string NextWord(const std::string &Text, size_t &Pos)
{
  size_t start = Text.find_first_not_of(" \t", Pos);
  if (start == std::string::npos) {
     Pos = Text.size();
     return "";
  }
  size_t end = Text.find_first_of(" \t", start);
  if (end == std::string::npos)
     end = Text.size();
  Pos = Text.find_first_not_of(" \t", end);
  if (Pos == std::string::npos)
     Pos = Text.size();
  return Text.substr(start, end - start);
}

std::string Help(cPlugin *Plugin, const std::string &Command)
{
  const char **pages = Plugin->SVDRPHelpPages();
  std::string text;
  for (int i = 0; pages && pages[i]; i++) {
      std::string page = pages[i];
      std::string name = page.substr(0, page.find_first_of(" \n"));
      if (Command.empty())
         text += (text.empty() ? "" : "\n") + std::string("    ") + name;
      else if (strcasecmp(name.c_str(), Command.c_str()) == 0)
         return Reply(214, page + "\nEnd of HELP info");
  }
  if (!Command.empty())
     return Reply(504, "HELP topic \"" + Command + "\" for plugin \"" + Plugin->Name() + "\" unknown");
  return Reply(214, std::string("Plugin ") + Plugin->Name() + " v" + Plugin->Version() + " - " + Plugin->Description() +
                    "\nSVDRP commands:" + (text.empty() ? "" : "\n" + text) + "\nEnd of HELP info");
}

} // namespace

cString SVDRPExecute(const char *Line)
{
  std::string line = Line ? Line : "";
  size_t pos = 0;
  std::string verb = NextWord(line, pos);
  if (strcasecmp(verb.c_str(), "PLUG") != 0)
     return Reply(500, "Command unrecognized: \"" + verb + "\"").c_str();
  std::string name = NextWord(line, pos);
  if (name.empty()) {
     std::string list = "Available plugins:";
     for (int i = 0; cPlugin *p = cPluginManager::GetPlugin(i); i++)
         list += std::string("\n") + p->Name() + " v" + p->Version() + " - " + p->Description();
     return Reply(214, list + "\nEnd of plugin list").c_str();
  }
  cPlugin *plugin = cPluginManager::GetPlugin(name.c_str());
  if (!plugin)
     return Reply(550, "Plugin \"" + name + "\" not found (use PLUG for a list of plugins)").c_str();
  std::string command = NextWord(line, pos);
  if (command.empty())
     return Reply(214, std::string(plugin->Name()) + " v" + plugin->Version() + " - " + plugin->Description()).c_str();
  if (strcasecmp(command.c_str(), "HELP") == 0)
     return Help(plugin, NextWord(line, pos)).c_str();
  int code = 900;
  cString reply = plugin->SVDRPCommand(command.c_str(), line.c_str() + pos, code);
  if (!*reply)
     return Reply(500, "Command unrecognized: \"" + command + "\"").c_str();
  return Reply(code < 0 ? -code : code, *reply).c_str();
}
