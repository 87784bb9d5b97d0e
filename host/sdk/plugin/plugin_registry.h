#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace kovanisdk::plugin {

using Variant = base::variant::Variant;

// A service object a plug-in module exposes under an interface name.
class PluginInstanceImpl {
 public:
  virtual ~PluginInstanceImpl();
  virtual bool Call(int32_t method_id, const Variant& args, Variant* result);
  virtual void SubscribeEvent(int32_t event_id, framework::SubscriberId subscriber, framework::EventCallback callback);
  virtual void UnsubscribeEvent(int32_t event_id, framework::SubscriberId subscriber);
  virtual std::string Name() const { return name_; }
  virtual void DidCreate() {}
  virtual void DidDestroy() {}

  void set_name(std::string name) { name_ = std::move(name); }

 protected:
  void FireEvent(int32_t event_id, const Variant& payload);

 private:
  std::string name_;
  std::mutex mutex_;
  std::map<int32_t, std::map<framework::SubscriberId, framework::EventCallback>> subscribers_;
};

// A named group of interfaces. Each interface is created on its first request and the same
// instance is answered afterwards.
class PluginModuleImpl {
 public:
  explicit PluginModuleImpl(std::string id) : id_(std::move(id)) {}
  virtual ~PluginModuleImpl();
  virtual std::string ID() const { return id_; }
  virtual void DidLoad() {}
  // Destroys the instances (DidDestroy first).
  virtual void DidUnload();
  virtual std::shared_ptr<PluginInstanceImpl> GetInterface(const char* name);
  std::vector<std::string> CreatedInterfaces() const;

 protected:
  virtual std::shared_ptr<PluginInstanceImpl> CreateInterface(const char* name) = 0;

 private:
  const std::string id_;
  mutable std::recursive_mutex mutex_;
  std::map<std::string, std::shared_ptr<PluginInstanceImpl>> instances_;
};

class PluginModuleBuilder {
 public:
  virtual ~PluginModuleBuilder() = default;
  // A new module for `module_id`, or null when this builder does not make that module.
  virtual std::shared_ptr<PluginModuleImpl> Build(const char* module_id) = 0;
};

// Takes ownership of the builder. The module is built on the first query.
bool RegisterPluginModule(const std::string& module_id, PluginModuleBuilder* builder);
// Unloads the module (its instances get DidDestroy) and drops its builder.
bool UnregisterPluginModule(const std::string& module_id);
// Sets *out to the interface `name` of `module_id`; false (and *out empty) when unknown.
bool QueryPluginInterface(const std::string& module_id, const std::string& name,
                          std::shared_ptr<PluginInstanceImpl>* out);

template <typename T>
bool QueryPluginInterface(const std::string& module_id, const std::string& name, std::shared_ptr<T>* out) {
  std::shared_ptr<PluginInstanceImpl> instance;
  QueryPluginInterface(module_id, name, &instance);
  *out = std::dynamic_pointer_cast<T>(instance);
  return *out != nullptr;
}

struct PluginModuleState {
  std::string module_id;
  bool loaded;
  std::vector<std::string> interfaces;
};
std::vector<PluginModuleState> ListPluginModules();

}  // namespace kovanisdk::plugin
