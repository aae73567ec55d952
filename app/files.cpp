#include "files.h"

#include <algorithm>
#include <dirent.h>
#include <glob.h>
#include <limits.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/tools.h>

std::string ReadTextFile(const std::string &Path)
{
  std::string content;
  if (FILE *f = fopen(Path.c_str(), "re")) {
     char buf[4096];
     size_t n;
     while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
       content.append(buf, n);
     fclose(f);
  }
  return content;
}

bool WriteTextFile(const std::string &Path, const std::string &Content)
{
  cSafeFile f(Path.c_str());
  if (!f.Open())
     return false;
  if (fwrite(Content.data(), 1, Content.size(), f) != Content.size()) {
     f.Discard();
     return false;
  }
  return f.Close();
}

std::vector<std::string> SplitLines(const std::string &Text)
{
  std::vector<std::string> lines;
  size_t begin = 0;
  while (begin < Text.size()) {
    size_t end = Text.find('\n', begin);
    if (end == std::string::npos)
       end = Text.size();
    lines.push_back(Text.substr(begin, end - begin));
    begin = end + 1;
  }
  return lines;
}

bool FolderEntries(const std::string &Path, std::vector<std::string> &Names)
{
  DIR *dir = opendir(Path.c_str());
  if (!dir)
     return false;
  Names.clear();
  while (struct dirent *e = readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..")
       continue;
    struct stat st;
    if (stat((Path + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
       name += "/";
    Names.push_back(name);
  }
  closedir(dir);
  std::sort(Names.begin(), Names.end());
  return true;
}

std::vector<std::string> MatchPaths(const std::string &Pattern)
{
  std::vector<std::string> paths;
  glob_t g;
  if (glob(Pattern.c_str(), 0, NULL, &g) == 0) {
     for (size_t i = 0; i < g.gl_pathc; i++)
         paths.push_back(g.gl_pathv[i]);
  }
  globfree(&g);
  return paths;
}

std::string FindInstalled(const char *Relative, const char *File, const char *Fallback)
{
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
  if (n > 0) {
     self[n] = 0;
     std::string dir = std::string(self, strrchr(self, '/') - self) + "/" + Relative;
     if (access((dir + "/" + File).c_str(), F_OK) == 0)
        return dir;
  }
  return Fallback;
}
