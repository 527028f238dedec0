// Object: the framework's scriptable base class, optionally made by a registered class.
#pragma once

#include "tarsel/script_object.h"

class Registry;

// Objects made through a Registry keep a pointer to it, so the registry knows how many of its
// objects are alive (a plug-in is not unloaded under living objects). Reference counting is
// the scripting library's: the count starts at 0 and the last Release deletes.
class Object : public ScriptObject {
  public:
    explicit Object(Registry* registry = nullptr);
    ~Object() override;

    Registry* GetRegistry() const { return m_Registry; }

    // Completes a class's initialisation; a class-init callback answers its result. False for
    // a null registry.
    static bool RegInit(Registry* registry);

  private:
    Registry* m_Registry;
};
