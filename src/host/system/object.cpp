// Object: counts the living objects of each registered class.
#include "tarsel/system/object.h"

#include "tarsel/system/registry.h"

Object::Object(Registry* registry) : m_Registry(registry) {
    if (m_Registry) m_Registry->m_LiveObjects.fetch_add(1);
}

Object::~Object() {
    if (m_Registry) m_Registry->m_LiveObjects.fetch_sub(1);
}

bool Object::RegInit(Registry* registry) {
    return registry != nullptr;
}
