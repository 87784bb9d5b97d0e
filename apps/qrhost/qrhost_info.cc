#include "apps/qrhost/qrhost_info.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <typeinfo>

#include "host/framework/extension/extension_service.h"
#include "host/framework/module/module_service.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/plugin/plugin_registry.h"

namespace qrhost {
namespace {

std::string ClassName(const std::type_info& type) {
  int status = 0;
  char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  std::string name = status == 0 && demangled ? demangled : type.name();
  std::free(demangled);
  return name;
}

std::string Hex(int32_t id) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<uint32_t>(id));
  return text;
}

}  // namespace

void PrintModuleReport(const std::string& module_name, std::ostream& out) {
  auto& modules = framework::module::GetModuleService();
  auto* runtime = modules.GetModuleRuntime(module_name);
  if (!runtime) {
    out << "module " << module_name << " is not registered\n";
    return;
  }
  modules.RunLoaderSetup(base::variant::Variant::MakeMap());

  out << "module:   " << runtime->ModuleName() << "\n";
  out << "build:    " << runtime->manifest()->build_id << "\n";

  out << "extensions:\n";
  auto& extensions = framework::GetExtensionService();
  for (const auto& point : extensions.ContributionPoints()) {
    out << "  " << point << "\n";
    for (const auto& info : extensions.Contributions(point)) {
      auto extension = extensions.CreateExtension(point, info);
      const auto item = extensions.ItemOf(info.extension_name);
      out << "    " << info.extension_name << "  position=" << item.GetInt32("position") << " visible="
          << (item.GetBool("visible") ? "yes" : "no") << " content=" << Hex(item.GetInt32("view_model_id"));
      const std::string tab_name = item.Get("tab_properties").GetString("tab_name");
      if (!tab_name.empty()) out << " tab=\"" << tab_name << "\"";
      out << "\n";
    }
  }

  const auto routes = framework::GetNavigatorService().Routes();
  out << "routes: " << routes.size() << "\n";
  for (const auto& route : routes) {
    out << "  " << route << " -> " << Hex(framework::GetNavigatorService().RouteViewModelId(route)) << "\n";
  }

  out << "plug-in modules:\n";
  for (const auto& state : kovanisdk::plugin::ListPluginModules()) {
    out << "  " << state.module_id << (state.loaded ? "" : " (not loaded)") << "\n";
    for (const auto& name : state.interfaces) out << "    " << name << "\n";
  }

  auto* models = runtime->GetModelProvider();
  const auto ids = models->CreatedModelIds();
  out << "models: " << ids.size() << "\n";
  for (int32_t id : ids) {
    auto model = models->ModelOf(id);
    out << "  " << Hex(id) << " " << ClassName(typeid(*model)) << "\n";
  }
}

}  // namespace qrhost
