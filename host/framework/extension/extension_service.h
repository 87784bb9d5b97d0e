#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/base/variant/variant.h"
#include "host/framework/extension/extension_impl.h"

namespace framework {

// The host's side of extensions: which module contributes what to which contribution point, the
// live extensions the host built from those contributions and the items they report, and the
// commands that extension view models can run.
class ExtensionService {
 public:
  using Command = std::function<bool(const base::variant::Variant& args)>;

  void Contribute(const std::string& contribution_point, const ExtensionInfo& info);
  std::vector<ExtensionInfo> Contributions(const std::string& contribution_point) const;
  std::vector<std::string> ContributionPoints() const;

  // Builds the extension through its module and initialises it; null when the module or the
  // name is unknown.
  std::shared_ptr<extension::ExtensionImpl> CreateExtension(const std::string& contribution_point,
                                                            const ExtensionInfo& info,
                                                            const base::variant::Variant& params = {});
  // The item the host shows for a live extension, with every change it reported merged in.
  base::variant::Variant ItemOf(const std::string& extension_name) const;

  void RegisterCommand(const std::string& name, Command command);
  // Returns false when no host command has that name.
  bool RunCommand(const std::string& name, const base::variant::Variant& args);

  // Forgets a module's contributions and the extensions built from them.
  void RemoveModule(const std::string& module_name);
  void Reset();

 private:
  struct Live {
    std::string module_name;
    std::shared_ptr<extension::ExtensionImpl> extension;
    base::variant::Variant item;
  };

  std::map<std::string, std::vector<ExtensionInfo>> contributions_;
  std::map<std::string, Live> live_;
  std::map<std::string, Command> commands_;
};

ExtensionService& GetExtensionService();

}  // namespace framework
