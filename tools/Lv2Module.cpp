// Loading an LV2 bundle through lilv and reading what the host needs to
// know of its plug-in.
#include "tools/Lv2Module.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/port-props/port-props.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/units/units.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "tools/Lv2Plugin.h"

namespace {

// Owns one lilv node for a scope.
class Node
{
public:
  explicit Node(LilvNode* node) : mNode(node) {}
  ~Node() { lilv_node_free(mNode); }
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  const LilvNode* Get() const { return mNode; }
  explicit operator bool() const { return mNode != nullptr; }

private:
  LilvNode* mNode;
};

std::string Text(const LilvNode* node) { return node ? lilv_node_as_string(node) : ""; }

// A file path from a file URI, or empty.
std::string PathOf(const LilvNode* uri)
{
  if (!uri || !lilv_node_is_uri(uri)) return "";
  char* path = lilv_file_uri_parse(lilv_node_as_uri(uri), nullptr);
  if (!path) return "";
  std::string result = path;
  lilv_free(path);
  return result;
}

// Messages of the plug-in: to the error stream with their kind, traces left
// out. Any thread.
int LogVPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, va_list args)
{
  Lv2UridTable* urids = static_cast<Lv2UridTable*>(handle);
  const char* kind = urids->Unmap(type);
  if (kind && !std::strcmp(kind, LV2_LOG__Trace)) return 0;
  const char* hash = kind ? std::strrchr(kind, '#') : nullptr;
  std::fprintf(stderr, "lv2 plug-in %s: ", hash ? hash + 1 : "message");
  return std::vfprintf(stderr, format, args);
}

int LogPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...)
{
  va_list args;
  va_start(args, format);
  const int n = LogVPrintf(handle, type, format, args);
  va_end(args);
  return n;
}

LV2_URID MapUri(LV2_URID_Map_Handle handle, const char* uri)
{
  return static_cast<Lv2UridTable*>(handle)->Map(uri);
}

const char* UnmapUrid(LV2_URID_Unmap_Handle handle, LV2_URID id)
{
  return static_cast<Lv2UridTable*>(handle)->Unmap(id);
}

Lv2PortKind KindOf(const LilvPlugin* plugin, const LilvPort* port, LilvWorld* world)
{
  Node input(lilv_new_uri(world, LV2_CORE__InputPort));
  Node audio(lilv_new_uri(world, LV2_CORE__AudioPort));
  Node control(lilv_new_uri(world, LV2_CORE__ControlPort));
  Node atom(lilv_new_uri(world, LV2_ATOM__AtomPort));
  const bool in = lilv_port_is_a(plugin, port, input.Get());
  if (lilv_port_is_a(plugin, port, audio.Get())) return in ? Lv2PortKind::kAudioIn : Lv2PortKind::kAudioOut;
  if (lilv_port_is_a(plugin, port, control.Get())) return in ? Lv2PortKind::kControlIn : Lv2PortKind::kControlOut;
  if (lilv_port_is_a(plugin, port, atom.Get())) return in ? Lv2PortKind::kAtomIn : Lv2PortKind::kAtomOut;
  return Lv2PortKind::kOther;
}

float FloatOf(const LilvNode* node, float fallback)
{
  return node && (lilv_node_is_float(node) || lilv_node_is_int(node)) ? lilv_node_as_float(node) : fallback;
}

// The range, units and properties of a control port.
void DescribeControl(LilvWorld* world, const LilvPlugin* plugin, const LilvPort* port, Lv2PortInfo& info)
{
  LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
  lilv_port_get_range(plugin, port, &def, &min, &max);
  info.minimum = FloatOf(min, 0.0f);
  info.maximum = FloatOf(max, 1.0f);
  info.defaultValue = FloatOf(def, info.minimum);
  lilv_node_free(def);
  lilv_node_free(min);
  lilv_node_free(max);
  Node toggled(lilv_new_uri(world, LV2_CORE__toggled));
  Node integer(lilv_new_uri(world, LV2_CORE__integer));
  info.toggled = lilv_port_has_property(plugin, port, toggled.Get());
  info.integer = lilv_port_has_property(plugin, port, integer.Get());
  Node unitKey(lilv_new_uri(world, LV2_UNITS__unit));
  Node symbolKey(lilv_new_uri(world, LV2_UNITS__symbol));
  if (LilvNodes* units = lilv_port_get_value(plugin, port, unitKey.Get())) {
    const LilvNode* unit = lilv_nodes_get_first(units);
    Node symbol(unit ? lilv_world_get(world, unit, symbolKey.Get(), nullptr) : nullptr);
    info.unit = Text(symbol.Get());
    lilv_nodes_free(units);
  }
  if (LilvScalePoints* points = lilv_port_get_scale_points(plugin, port)) {
    LILV_FOREACH (scale_points, i, points) {
      const LilvScalePoint* p = lilv_scale_points_get(points, i);
      info.scalePoints.push_back({FloatOf(lilv_scale_point_get_value(p), 0.0f), Text(lilv_scale_point_get_label(p))});
    }
    lilv_scale_points_free(points);
  }
}

// The first UI of the plug-in that embeds as an X11 window.
void FindUi(Lv2Plugin& p)
{
  Node x11(lilv_new_uri(p.world, LV2_UI__X11UI));
  LilvUIs* uis = lilv_plugin_get_uis(p.plugin);
  if (!uis) return;
  LILV_FOREACH (uis, i, uis) {
    const LilvUI* ui = lilv_uis_get(uis, i);
    if (!lilv_ui_is_a(ui, x11.Get())) continue;
    p.ui.uri = lilv_node_as_uri(lilv_ui_get_uri(ui));
    p.ui.bundlePath = PathOf(lilv_ui_get_bundle_uri(ui));
    p.ui.binaryPath = PathOf(lilv_ui_get_binary_uri(ui));
    if (!p.ui.bundlePath.empty() && p.ui.bundlePath.back() != '/') p.ui.bundlePath += '/';
    p.hasUi = !p.ui.binaryPath.empty();
    break;
  }
  lilv_uis_free(uis);
}

void FindPresets(Lv2Plugin& p)
{
  Node presetClass(lilv_new_uri(p.world, LV2_PRESETS__Preset));
  Node labelKey(lilv_new_uri(p.world, LILV_NS_RDFS "label"));
  LilvNodes* related = lilv_plugin_get_related(p.plugin, presetClass.Get());
  if (!related) return;
  LILV_FOREACH (nodes, i, related) {
    const LilvNode* preset = lilv_nodes_get(related, i);
    lilv_world_load_resource(p.world, preset);
    Node label(lilv_world_get(p.world, preset, labelKey.Get(), nullptr));
    p.presets.push_back({lilv_node_as_uri(preset), label ? Text(label.Get()) : lilv_node_as_uri(preset)});
  }
  lilv_nodes_free(related);
}

}  // namespace

bool IsLv2Bundle(const char* path)
{
  std::error_code error;
  return path && std::filesystem::is_regular_file(std::filesystem::path(path) / "manifest.ttl", error);
}

Lv2UridTable::Lv2UridTable()
{
  mMap.handle = this;
  mMap.map = MapUri;
  mUnmap.handle = this;
  mUnmap.unmap = UnmapUrid;
}

LV2_URID Lv2UridTable::Map(const char* uri)
{
  if (!uri) return 0;
  std::lock_guard<std::mutex> guard(mLock);
  for (size_t i = 0; i < mUris.size(); ++i) {
    if (mUris[i] == uri) return static_cast<LV2_URID>(i + 1);
  }
  mUris.emplace_back(uri);
  return static_cast<LV2_URID>(mUris.size());
}

const char* Lv2UridTable::Unmap(LV2_URID id)
{
  std::lock_guard<std::mutex> guard(mLock);
  return id >= 1 && id <= mUris.size() ? mUris[id - 1].c_str() : nullptr;
}

Lv2Plugin::Lv2Plugin()
{
  log.handle = &urids;
  log.printf = LogPrintf;
  log.vprintf = LogVPrintf;
}

Lv2Plugin::~Lv2Plugin()
{
  if (world) lilv_world_free(world);
}

bool Lv2Plugin::Describe(std::string& error)
{
  uri = lilv_node_as_uri(lilv_plugin_get_uri(plugin));
  Node pluginName(lilv_plugin_get_name(plugin));
  name = Text(pluginName.Get());
  Node author(lilv_plugin_get_author_name(plugin));
  vendor = Text(author.Get());
  const uint32_t count = lilv_plugin_get_num_ports(plugin);
  for (uint32_t i = 0; i < count; ++i) {
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
    Lv2PortInfo info;
    info.index = i;
    info.kind = KindOf(plugin, port, world);
    info.symbol = Text(lilv_port_get_symbol(plugin, port));
    Node portName(lilv_port_get_name(plugin, port));
    info.name = portName ? Text(portName.Get()) : info.symbol;
    switch (info.kind) {
      case Lv2PortKind::kAudioIn: audioIns.push_back(i); break;
      case Lv2PortKind::kAudioOut: audioOuts.push_back(i); break;
      case Lv2PortKind::kControlIn:
        DescribeControl(world, plugin, port, info);
        params.push_back(i);
        break;
      case Lv2PortKind::kControlOut:
        DescribeControl(world, plugin, port, info);
        controlOuts.push_back(i);
        break;
      case Lv2PortKind::kAtomIn:
      case Lv2PortKind::kAtomOut: break;
      case Lv2PortKind::kOther:
        error = "port " + info.symbol + " is of a kind this host does not connect";
        return false;
    }
    ports.push_back(info);
  }
  Node stateInterface(lilv_new_uri(world, LV2_STATE__interface));
  hasState = lilv_plugin_has_extension_data(plugin, stateInterface.Get());
  FindPresets(*this);
  FindUi(*this);
  return true;
}

const Lv2PortInfo* Lv2Plugin::PortBySymbol(const char* symbol) const
{
  for (const Lv2PortInfo& p : ports) {
    if (symbol && p.symbol == symbol) return &p;
  }
  return nullptr;
}

Lv2Module::Lv2Module() = default;
Lv2Module::~Lv2Module() = default;

bool Lv2Module::Load(const char* path)
{
  std::error_code fsError;
  const std::filesystem::path dir = std::filesystem::absolute(path, fsError);
  if (!IsLv2Bundle(path) || fsError) {
    mError = std::string(path) + " is no LV2 bundle (a directory with a manifest.ttl)";
    return false;
  }
  std::unique_ptr<Lv2Plugin> p(new Lv2Plugin);
  p->world = lilv_world_new();
  // The bundle first: a plug-in of the same URI installed on the LV2 path
  // is then the one lilv ignores.
  std::string dirText = dir.lexically_normal().string();
  if (dirText.back() != '/') dirText += '/';
  Node bundle(lilv_new_file_uri(p->world, nullptr, dirText.c_str()));
  lilv_world_load_bundle(p->world, bundle.Get());
  lilv_world_load_all(p->world);
  const LilvPlugins* all = lilv_world_get_all_plugins(p->world);
  LILV_FOREACH (plugins, i, all) {
    const LilvPlugin* candidate = lilv_plugins_get(all, i);
    if (PathOf(lilv_plugin_get_bundle_uri(candidate)) == dirText) {
      p->plugin = candidate;
      break;
    }
  }
  if (!p->plugin) {
    mError = std::string("the bundle ") + path + " describes no plug-in";
    return false;
  }
  if (!p->Describe(mError)) return false;
  mPlugin = std::move(p);
  return true;
}

AEffect* Lv2Module::NewInstance(audioMasterCallback host)
{
  return mPlugin ? NewLv2Effect(*mPlugin, host) : nullptr;
}
