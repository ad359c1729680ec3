#include "Lv2TestHost.h"

#include <lv2/presets/presets.h>
#include <lv2/time/time.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace lv2test {

UridMap::UridMap() : mapFeature{this, mapUri} {}

LV2_URID UridMap::map(const char* uri) {
    auto found = ids.find(uri);
    if (found != ids.end()) {
        return found->second;
    }
    const auto id = static_cast<LV2_URID>(ids.size() + 1);
    ids.emplace(uri, id);
    return id;
}

LV2_URID UridMap::mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    return static_cast<UridMap*>(handle)->map(uri);
}

TimeSequence::TimeSequence(UridMap& map) : urids(map) {
    lv2_atom_forge_init(&forge, urids.feature());
    clear();
}

void TimeSequence::clear() {
    lv2_atom_forge_set_buffer(&forge, buffer.data(), buffer.size());
    lv2_atom_forge_sequence_head(&forge, &frame, 0);
}

void TimeSequence::addPosition(std::int64_t frames, const PositionFields& fields) {
    auto uri = [this](const char* name) { return urids.map(name); };
    lv2_atom_forge_frame_time(&forge, frames);
    LV2_Atom_Forge_Frame object;
    auto* atom = reinterpret_cast<LV2_Atom*>(lv2_atom_forge_deref(
        &forge, lv2_atom_forge_object(&forge, &object, 0, uri(LV2_TIME__Position))));
    if (fields.blank) {
        atom->type = uri(LV2_ATOM__Blank);
    }
    if (fields.frame >= 0) {
        lv2_atom_forge_key(&forge, uri(LV2_TIME__frame));
        lv2_atom_forge_long(&forge, fields.frame);
    }
    if (fields.speed > -2.0f) {
        lv2_atom_forge_key(&forge, uri(LV2_TIME__speed));
        lv2_atom_forge_float(&forge, fields.speed);
    }
    if (fields.bar >= 0) {
        lv2_atom_forge_key(&forge, uri(LV2_TIME__bar));
        lv2_atom_forge_long(&forge, fields.bar);
        lv2_atom_forge_key(&forge, uri(LV2_TIME__barBeat));
        lv2_atom_forge_float(&forge, fields.barBeat);
    }
    if (fields.beat >= 0.0) {
        lv2_atom_forge_key(&forge, uri(LV2_TIME__beat));
        lv2_atom_forge_double(&forge, fields.beat);
    }
    if (fields.beatsPerMinute > 0.0f) {
        lv2_atom_forge_key(&forge, uri(LV2_TIME__beatUnit));
        lv2_atom_forge_int(&forge, fields.beatUnit);
        lv2_atom_forge_key(&forge, uri(LV2_TIME__beatsPerBar));
        lv2_atom_forge_float(&forge, fields.beatsPerBar);
        lv2_atom_forge_key(&forge, uri(LV2_TIME__beatsPerMinute));
        lv2_atom_forge_float(&forge, fields.beatsPerMinute);
    }
    lv2_atom_forge_pop(&forge, &object);
}

void TimeSequence::addRawEvent(std::int64_t frames, const std::vector<std::uint8_t>& atom) {
    lv2_atom_forge_frame_time(&forge, frames);
    lv2_atom_forge_raw(&forge, atom.data(), static_cast<std::uint32_t>(atom.size()));
    lv2_atom_forge_pad(&forge, static_cast<std::uint32_t>(atom.size()));
}

GateLv2::GateLv2(LilvWorld*, const LilvPlugin* plugin, double sampleRate, UridMap* urids,
                 bool strided)
    : stridedLevels(strided) {
    LV2_Feature mapFeature{LV2_URID__map, urids != nullptr ? urids->feature() : nullptr};
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    const LV2_Feature* none[] = {nullptr};
    instance = lilv_plugin_instantiate(plugin, sampleRate, urids != nullptr ? features : none);
    if (instance == nullptr) {
        return;
    }
    for (std::uint32_t step = 0; step < stepCount; ++step) {
        lilv_instance_connect_port(instance, 4 + step,
                                   strided ? &stridedValues[2 * step] : &levelValues[step]);
    }
    lilv_instance_activate(instance);
}

GateLv2::~GateLv2() {
    if (instance != nullptr) {
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
}

void GateLv2::run(const std::vector<float>* input, std::vector<float>* output, std::size_t offset,
                  std::uint32_t frames, TimeSequence* time) {
    for (std::uint32_t channel = 0; channel < 2; ++channel) {
        lilv_instance_connect_port(instance, channel,
                                   const_cast<float*>(input[channel].data() + offset));
        lilv_instance_connect_port(instance, 2 + channel, output[channel].data() + offset);
    }
    lilv_instance_connect_port(instance, 36, time != nullptr ? time->sequence() : nullptr);
    for (std::uint32_t step = 0; stridedLevels && step < stepCount; ++step) {
        stridedValues[2 * step] = levelValues[step];
    }
    lilv_instance_run(instance, frames);
}

Bundle::Bundle() {
    lilvWorld = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(lilvWorld, nullptr, STEPVEIL_LV2_BUNDLE "/");
    lilv_world_load_bundle(lilvWorld, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(lilvWorld, "urn:ovrin-audio:stepveil");
    gatePlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(lilvWorld), uri);
    lilv_node_free(uri);
    if (gatePlugin == nullptr) {
        throw std::runtime_error("the bundle " STEPVEIL_LV2_BUNDLE " has no Stepveil plug-in");
    }
}

Bundle::~Bundle() {
    lilv_world_free(lilvWorld);
}

std::unique_ptr<GateLv2> Bundle::instantiate(double sampleRate, bool withUridMap,
                                             bool stridedLevels) {
    return std::make_unique<GateLv2>(lilvWorld, gatePlugin, sampleRate,
                                     withUridMap ? &uridMap : nullptr, stridedLevels);
}

std::map<std::string, std::array<float, stepCount>> Bundle::presets() {
    struct Reading {
        const LilvPlugin* plugin;
        LilvWorld* world;
        std::array<float, stepCount> levels;
    };
    std::map<std::string, std::array<float, stepCount>> found;
    LilvNode* presetClass = lilv_new_uri(lilvWorld, LV2_PRESETS__Preset);
    LilvNodes* related = lilv_plugin_get_related(gatePlugin, presetClass);
    LILV_FOREACH(nodes, i, related) {
        const LilvNode* preset = lilv_nodes_get(related, i);
        lilv_world_load_resource(lilvWorld, preset);
        LilvState* state = lilv_state_new_from_world(lilvWorld, uridMap.feature(), preset);
        if (state == nullptr) {
            continue;
        }
        Reading reading{gatePlugin, lilvWorld, {}};
        reading.levels.fill(-1.0f);
        lilv_state_emit_port_values(
            state,
            [](const char* symbol, void* data, const void* value, uint32_t size, uint32_t) {
                auto& into = *static_cast<Reading*>(data);
                unsigned step = 0;
                if (size == sizeof(float) && std::sscanf(symbol, "level_%u", &step) == 1 &&
                    step >= 1 && step <= stepCount) {
                    std::memcpy(&into.levels[step - 1], value, sizeof(float));
                }
            },
            &reading);
        found[lilv_state_get_label(state)] = reading.levels;
        lilv_state_free(state);
    }
    lilv_nodes_free(related);
    lilv_node_free(presetClass);
    return found;
}

} // namespace lv2test
