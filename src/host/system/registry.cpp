// Class records, their initialisation and the process's class list.
#include "tarsel/system/registry.h"

#include <algorithm>
#include <cctype>

#include "plugin_loading.h"
#include "tarsel/system/object.h"

const TsID CLSID_Object("Object");
const TsID CLSID_MediaFormat("MediaFormat");
const TsID CLSID_ImageFormat("ImageFormat");

namespace {

RegistryList& ProcessClassList() {
    // Never destroyed: registries in libraries unloaded at exit still remove themselves.
    static RegistryList* list = new RegistryList;
    return *list;
}

// Base classes of the framework's own classes.
TsID BuiltInParent(TsID id) {
    if (id == CLSID_ImageFormat) return CLSID_MediaFormat;
    if (id == CLSID_MediaFormat) return CLSID_Object;
    return NOID;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
    if (end.empty() || end.size() > text.size()) return false;
    return std::equal(end.rbegin(), end.rend(), text.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

} // namespace

RegistryList* const ClassRegistry = &ProcessClassList();

Registry::~Registry() {
    if (m_List) m_List->Remove(this);
}

bool Registry::_Init(RegistryList* list, TsID id, const TagList& tags) {
    if (!list || id.IsNoID() || m_List) return false;
    m_ID = id;
    m_Tags = tags;
    if (const TagItem* parent = tags.Find(REG_Parent)) {
        if (auto* named = std::get_if<TsID>(&parent->value)) {
            m_Parent = *named;
        } else if (auto* pointer = std::get_if<void*>(&parent->value); pointer && *pointer) {
            m_Parent = *static_cast<const TsID*>(*pointer);
        } else if (auto* text = std::get_if<std::string>(&parent->value)) {
            m_Parent = TsID(*text);
        }
    }
    m_Owner = PluginBeingLoaded();
    if (!list->Add(this)) {
        m_Owner = nullptr;
        return false;
    }
    m_List = list;
    return true;
}

bool Registry::IsA(TsID id) const {
    if (m_ID == id) return true;
    // Walk the parents through the list, then through the built-in classes; the walk is
    // bounded so that a parent loop cannot hang it.
    TsID current = m_Parent;
    for (int depth = 0; depth < 64 && !current.IsNoID(); ++depth) {
        if (current == id) return true;
        Registry* parent = m_List ? m_List->FindAny(current) : nullptr;
        current = parent ? parent->m_Parent : BuiltInParent(current);
    }
    return false;
}

bool Registry::MatchesExtension(std::string_view path) const {
    for (const TagItem* item : m_Tags.FindAll(MFREG_Extension)) {
        if (auto* extension = std::get_if<std::string>(&item->value)) {
            if (EndsWithIgnoringCase(path, *extension)) return true;
        }
    }
    return false;
}

bool Registry::Initialise() {
    std::lock_guard guard(m_InitLock);
    if (!m_InitRan) {
        m_InitRan = true;
        auto init = reinterpret_cast<RegistryClassInit>(m_Tags.GetPtr(REG_ClassInit));
        m_InitResult = init ? init(this) : true;
    }
    return m_InitResult;
}

bool Registry::IsInitialised() const {
    std::lock_guard guard(m_InitLock);
    return m_InitRan;
}

bool Registry::IsUsable() const {
    std::lock_guard guard(m_InitLock);
    return m_InitRan && m_InitResult && !m_CleanedUp;
}

void Registry::Cleanup() {
    RegistryClassCleanup cleanup = nullptr;
    {
        std::lock_guard guard(m_InitLock);
        if (!m_InitRan || m_CleanedUp) return;
        m_CleanedUp = true;
        cleanup = reinterpret_cast<RegistryClassCleanup>(m_Tags.GetPtr(REG_ClassCleanup));
    }
    if (cleanup) cleanup(this);
}

Object* Registry::New(const ScriptVal& table, const TagList& tags) {
    auto factory = reinterpret_cast<RegistryFactory>(m_Tags.GetPtr(REG_Factory));
    if (!factory || !Initialise() || !IsUsable()) return nullptr;
    Object* object = factory(this, table, tags);
    if (object && !object->GetObjectInfo()) {
        object->_SetScriptInfo(static_cast<const ScriptInfo*>(m_Tags.GetPtr(REG_ScriptInfo)));
    }
    return object;
}

bool RegistryList::Add(Registry* registry) {
    std::lock_guard guard(m_ClassesLock);
    for (Registry* known : m_Classes) {
        if (known == registry || known->m_ID == registry->m_ID) return false;
    }
    m_Classes.push_back(registry);
    return true;
}

void RegistryList::Remove(Registry* registry) {
    std::lock_guard guard(m_ClassesLock);
    std::erase(m_Classes, registry);
}

Registry* RegistryList::FindAny(TsID id) const {
    std::lock_guard guard(m_ClassesLock);
    for (Registry* known : m_Classes) {
        if (known->m_ID == id) return known;
    }
    return nullptr;
}

std::vector<Registry*> RegistryList::OwnedBy(const void* owner) const {
    std::lock_guard guard(m_ClassesLock);
    std::vector<Registry*> owned;
    for (Registry* known : m_Classes) {
        if (known->m_Owner == owner) owned.push_back(known);
    }
    return owned;
}

std::vector<Registry*> RegistryList::Classes() const {
    std::lock_guard guard(m_ClassesLock);
    return m_Classes;
}

Registry* RegistryList::Find(TsID id) {
    Registry* found = FindAny(id);
    // Initialisation runs outside the list's lock: the callback may look up classes.
    if (found && found->Initialise() && found->IsUsable()) return found;
    return nullptr;
}

Registry* RegistryList::FindByExtension(std::string_view path, TsID base) {
    std::vector<Registry*> candidates;
    for (Registry* known : Classes()) {
        if (known->IsA(base) && known->MatchesExtension(path)) candidates.push_back(known);
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](Registry* a, Registry* b) {
        return a->Tags().GetInt(MFREG_Priority) < b->Tags().GetInt(MFREG_Priority);
    });
    for (Registry* candidate : candidates) {
        if (candidate->Initialise() && candidate->IsUsable()) return candidate;
    }
    return nullptr;
}
