#include "netcfg/staged_config.h"

namespace simwin {

unsigned AddComponent(NetCfgStore* store, ComponentRecord record) {
    const unsigned instance = store->components.empty() ? 1 : store->components.rbegin()->first + 1;
    record.instance = instance;
    for (const auto& [other, otherRecord] : store->components) {
        if (InterfacesMeet(record, otherRecord)) {
            store->bindings.emplace(BindingKey{instance, other}, true);
        }
        if (InterfacesMeet(otherRecord, record)) {
            store->bindings.emplace(BindingKey{other, instance}, true);
        }
    }
    store->components.emplace(instance, std::move(record));
    return instance;
}

void RemoveComponent(NetCfgStore* store, unsigned instance) {
    for (auto binding = store->bindings.begin(); binding != store->bindings.end();) {
        if (binding->first.first == instance || binding->first.second == instance) {
            binding = store->bindings.erase(binding);
        } else {
            ++binding;
        }
    }
    store->components.erase(instance);
    for (auto& [other, record] : store->components) {
        ComponentReference byRemoved;
        byRemoved.kind = ReferenceKind::Component;
        byRemoved.component = instance;
        RemoveReference(&record, byRemoved);
    }
}

bool AddReference(ComponentRecord* component, const ComponentReference& reference) {
    for (const ComponentReference& held : component->references) {
        if (held.SameToken(reference)) {
            return false;
        }
    }
    component->references.push_back(reference);
    return true;
}

bool RemoveReference(ComponentRecord* component, const ComponentReference& reference) {
    auto& references = component->references;
    for (auto held = references.begin(); held != references.end(); ++held) {
        if (held->SameToken(reference)) {
            references.erase(held);
            return true;
        }
    }
    return false;
}

const ComponentRecord* FindComponentById(const NetCfgStore& store, const std::wstring& id,
                                         std::optional<ComponentClass> componentClass) {
    const std::wstring wanted = LowerCaseId(id);
    for (const auto& [instance, record] : store.components) {
        if (record.id == wanted && (!componentClass || record.componentClass == *componentClass)) {
            return &record;
        }
    }
    return nullptr;
}

std::vector<const ComponentRecord*> ComponentsOf(const NetCfgStore& store,
                                                 std::optional<ComponentClass> componentClass) {
    std::vector<const ComponentRecord*> found;
    for (const auto& [instance, record] : store.components) {
        if (!componentClass || record.componentClass == *componentClass) {
            found.push_back(&record);
        }
    }
    return found;
}

}  // namespace simwin
