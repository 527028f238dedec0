// Registry: the record of one registered class, and the process's list of them (ClassRegistry).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "tarsel/script_val.h"
#include "tarsel/tags.h"
#include "tarsel/ts_id.h"

class Object;
class Registry;
class RegistryList;

// Callbacks a class registers.
using RegistryFactory = Object* (*)(Registry* registry, const ScriptVal& table,
                                    const TagList& tags);
using RegistryClassInit = bool (*)(Registry* registry);
using RegistryClassCleanup = void (*)(Registry* registry);

// Registration tags. Values of pointer tags are stored with TagList::AddPtr (use RegFunction for
// callbacks); a tag with the 0x08000000 bit may occur several times.
enum RegistryTag : Tag {
    REG_Factory = 0x60000000,      // RegistryFactory: makes one object of the class
    REG_ClassCleanup = 0x60000001, // RegistryClassCleanup: run once when the class goes away
    REG_ClassInit = 0x60000002,    // RegistryClassInit: run once before the first object
    REG_ScriptInfo = 0x60000005,   // ScriptInfo*: bound to each object the factory makes
    REG_Parent = 0x60000010,       // the parent class ID: a TsID, or a pointer to a TsID
    REG_Version = 0x10000000,      // integer version of the class
    REG_BuildText = 0x30000008,    // text telling when the class was built
    // Media formats.
    MFREG_Extension = 0x38000064,  // text, repeated: a file extension with its dot (".omf")
    MFREG_FormatName = 0x30000064, // text: the name shown for the format's files
    MFREG_CanLoad = 0x10000064,    // integer: reads files
    MFREG_CanSave = 0x10000065,    // integer: writes files
    MFREG_CanLoadFields = 0x10000066,
    MFREG_CanSaveFields = 0x10000067,
    MFREG_Priority = 0x10000069, // integer: lower values are preferred for a shared extension
    MFREG_CanLoadImages = 0x1000006f,
    MFREG_CanSaveImages = 0x10000070,
    MFREG_WantsIOLock = 0x10000077,
};

// Turns a callback into the pointer value of a registration tag.
template <typename Function> void* RegFunction(Function* function) {
    return reinterpret_cast<void*>(function);
}

// Class IDs of the framework's own classes, usable as REG_Parent values.
extern const TsID CLSID_Object;
extern const TsID CLSID_MediaFormat;
extern const TsID CLSID_ImageFormat;

// One class. Plug-ins keep it as a static object and fill it during their static
// initialisation with _Init; its destructor removes it from the list it joined.
class Registry {
  public:
    Registry() = default;
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Joins `list` as class `id` with a copy of `tags`. False when already registered, when
    // the ID is empty or taken, or when the list is null.
    bool _Init(RegistryList* list, TsID id, const TagList& tags);

    TsID ID() const { return m_ID; }
    TsID Parent() const { return m_Parent; }
    const TagList& Tags() const { return m_Tags; }
    // True when the class is `id` or derives from it through registered parents.
    bool IsA(TsID id) const;
    // True when one of the class's extensions matches the end of `path` (case ignored).
    bool MatchesExtension(std::string_view path) const;

    // Runs the class-init callback once (classes without one succeed). Answers its result;
    // later calls answer the same.
    bool Initialise();
    bool IsInitialised() const;
    bool IsUsable() const; // initialised successfully and not yet cleaned up
    // Runs the class-cleanup callback once, if the class was initialised.
    void Cleanup();

    // A new object made by the factory, with its script class bound; null without a factory,
    // when the class cannot be initialised or the factory fails. Its reference count is 0:
    // the caller takes the first reference (RefObject, ScriptVal or AddRef).
    Object* New(const ScriptVal& table = ScriptVal(), const TagList& tags = TagList());

    int LiveObjects() const { return m_LiveObjects.load(); }

  private:
    friend class Object;
    friend class RegistryList;
    friend class Plugin;

    RegistryList* m_List = nullptr;
    TsID m_ID;
    TsID m_Parent;
    TagList m_Tags;
    const void* m_Owner = nullptr; // the plug-in whose loading registered the class
    // Guards the three flags below; recursive so that an init callback may look its class up.
    mutable std::recursive_mutex m_InitLock;
    bool m_InitRan = false;
    bool m_InitResult = false;
    bool m_CleanedUp = false;
    std::atomic<int> m_LiveObjects{0};
};

// The list of registered classes. Lookups answer only classes that initialise successfully.
class RegistryList {
  public:
    RegistryList() = default;
    RegistryList(const RegistryList&) = delete;
    RegistryList& operator=(const RegistryList&) = delete;

    Registry* Find(TsID id);
    // The preferred usable class deriving from `base` whose extensions match `path`.
    Registry* FindByExtension(std::string_view path, TsID base = CLSID_MediaFormat);
    std::vector<Registry*> Classes() const;

  private:
    friend class Registry;
    friend class Plugin;
    bool Add(Registry* registry);
    void Remove(Registry* registry);
    std::vector<Registry*> OwnedBy(const void* owner) const;
    Registry* FindAny(TsID id) const;

    mutable std::mutex m_ClassesLock; // guards m_Classes
    std::vector<Registry*> m_Classes;
};

// The process's class list.
extern RegistryList* const ClassRegistry;

// A loaded plug-in library. Loading runs its static initialisation, which registers its
// classes, then initialises each of them once; destroying the Plugin runs their class-cleanup
// callbacks and unloads the library, unless objects of its classes are still alive, in which
// case the library stays loaded.
class Plugin {
  public:
    // Loads the library at `path`; null with a reason in `error` when it cannot be loaded,
    // is already loaded, or registers no class.
    static std::unique_ptr<Plugin> Load(const std::string& path, std::string* error = nullptr);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    const std::vector<Registry*>& Classes() const { return m_Classes; }
    const std::string& Path() const { return m_Path; }
    // An exported symbol of the library, or null.
    void* Symbol(const char* name) const;

  private:
    Plugin() = default;
    void* m_Handle = nullptr;
    std::string m_Path;
    std::vector<Registry*> m_Classes;
};
