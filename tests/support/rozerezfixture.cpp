#include "rozerezfixture.h"

#include <filesystem>

#include "hostfixtures.h"
#include "rozerez_service.h"

void cRozerezTest::SetUp(void)
{
  cTestEnv::SetUp();
  AddTestChannel();
  clips = root + "/my clips";
  Load("rozerez -d '" + clips + "'");
}

void cRozerezTest::TearDown(void)
{
  Unload();
  cTestEnv::TearDown();
}

void cRozerezTest::Load(const std::string &Args)
{
  Unload();
  manager = new cPluginManager(VIMORA_PLUGIN_DIR);
  manager->AddPlugin(Args.c_str());
  ASSERT_TRUE(manager->LoadPlugins());
  rozerez = cPluginManager::GetPlugin("rozerez");
  ASSERT_NE(rozerez, nullptr);
}

void cRozerezTest::Unload(void)
{
  if (manager) {
     manager->Shutdown();
     delete manager;
     manager = NULL;
  }
}

std::string cRozerezTest::Cut(const std::string &Recording)
{
  char *fileName = strdup(Recording.c_str());
  MultiCutRequest *request = new MultiCutRequest{ fileName, NULL };
  EXPECT_TRUE(rozerez->Service(ROZEREZ_MULTICUT_SERVICE, request));
  EXPECT_EQ(request->recordingFileName, fileName);
  EXPECT_STREQ(fileName, Recording.c_str());
  std::string error = request->errorText ? request->errorText : "";
  delete request;
  free(fileName);
  return error;
}

std::set<std::string> cRozerezTest::Files(const std::string &Dir)
{
  std::set<std::string> names;
  std::error_code ec;
  for (const auto &e : std::filesystem::directory_iterator(Dir, ec))
      names.insert(e.path().filename());
  return names;
}
