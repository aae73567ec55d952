# The recorder's plug-in build, as its authors' guide (PLUGINS.html) and its plug-in
# template have it, shared by our plug-ins. A plug-in's Makefile sets PLUGIN (its main
# source is $(PLUGIN).cpp, which holds VERSION) and may add INCLUDES and SHARED (sources of
# the tree outside the plug-in's folder that it builds too), then includes this.
# Flags and folders come from `pkg-config vdr` (or $(VDRDIR)/vdr.pc).
#
#   make OUT=DIR         objects in DIR/obj/PLUGIN, the library DIR/plugins/$(SOFILE).$(APIVERSION),
#                        where `vdr -L DIR/plugins` finds it (default OUT: this folder)
#   make install-lib     the library into the recorder's plug-in folder (LIBDIR)
#   make install-i18n    DIR/locale/*/LC_MESSAGES/vdr-PLUGIN.mo into the recorder's LOCDIR
#   make install         both; DESTDIR is honoured

VERSION = $(shell grep 'static const char \*VERSION *=' $(PLUGIN).cpp | awk '{ print $$6 }' | sed -e 's/[";]//g')

### The directory environment:

PKG_CONFIG ?= pkg-config
PKGCFG = $(if $(VDRDIR),$(shell $(PKG_CONFIG) --variable=$(1) $(VDRDIR)/vdr.pc),$(shell PKG_CONFIG_PATH="$$PKG_CONFIG_PATH:../../.." $(PKG_CONFIG) --variable=$(1) vdr))
LIBDIR = $(call PKGCFG,libdir)
LOCDIR = $(call PKGCFG,locdir)
PLGCFG = $(call PKGCFG,plgcfg)
OUT ?= .

### The compiler options (warnings are errors):

export CFLAGS   = $(call PKGCFG,cflags)
export CXXFLAGS = $(call PKGCFG,cxxflags) -std=c++17 -Wall -Wextra -Werror

### The version number of VDR's plugin API:

APIVERSION = $(call PKGCFG,apiversion)

### Allow user defined options to overwrite defaults:

-include $(PLGCFG)

### The name of the shared object file:

SOFILE = libvdr-$(PLUGIN).so
LIBFILE = $(OUT)/plugins/$(SOFILE).$(APIVERSION)

### Defines and objects (every source of the folder):

DEFINES += -DPLUGIN_NAME_I18N='"$(PLUGIN)"'
OBJDIR = $(OUT)/obj/$(PLUGIN)
OBJS = $(patsubst %.cpp,$(OBJDIR)/%.o,$(wildcard *.cpp) $(notdir $(SHARED)))
vpath %.cpp $(sort $(dir $(SHARED)))

### The main target:

all: $(LIBFILE)

$(OBJDIR)/%.o: %.cpp
	@mkdir -p $(OBJDIR)
	$(CXX) $(CPPFLAGS) $(CXXFLAGS) -MMD -MP -c $(DEFINES) $(INCLUDES) -o $@ $<

-include $(OBJS:%.o=%.d)

$(LIBFILE): $(OBJS)
	@mkdir -p $(dir $@)
	$(CXX) $(CXXFLAGS) $(LDFLAGS) -shared $(OBJS) $(LIBS) -o $@

### Internationalization: catalogues built into $(OUT)/locale (see the top Makefile)

I18Nmo   = $(wildcard $(OUT)/locale/*/LC_MESSAGES/vdr-$(PLUGIN).mo)
I18Nmsgs = $(patsubst $(OUT)/locale/%,$(DESTDIR)$(LOCDIR)/%,$(I18Nmo))

$(DESTDIR)$(LOCDIR)/%/LC_MESSAGES/vdr-$(PLUGIN).mo: $(OUT)/locale/%/LC_MESSAGES/vdr-$(PLUGIN).mo
	install -D -m644 $< $@

install-i18n: $(I18Nmsgs)

### Targets:

install-lib: $(LIBFILE)
	install -D $< $(DESTDIR)$(LIBDIR)/$(SOFILE).$(APIVERSION)

install: install-lib install-i18n

clean:
	@-rm -rf $(OBJDIR) $(LIBFILE)

.PHONY: all install install-lib install-i18n clean
