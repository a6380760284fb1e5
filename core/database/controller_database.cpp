#include "core/database/controller_database.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kelp {
namespace {

// The DVR track table describes the recordings held in the controller, not the .dat being
// edited, so a database reset keeps it.
bool isDvrTable(const KeyDescriptor& key) {
    return std::strcmp(key.section, "DVR") == 0;
}

std::size_t storageSize(const KeyDescriptor& key) {
    switch (key.shape) {
        case KeyShape::Single:
            return 1;
        case KeyShape::Indexed:
            break;
        case KeyShape::Courtesy:
            return static_cast<std::size_t>(kCourtesyPorts * key.count);
    }
    return static_cast<std::size_t>(key.count);
}

std::size_t flatIndex(const KeyRef& ref) {
    switch (ref.key->shape) {
        case KeyShape::Single:
            return 0;
        case KeyShape::Indexed:
            break;
        case KeyShape::Courtesy:
            return static_cast<std::size_t>((ref.port - 1) * ref.key->count + ref.index - 1);
    }
    return static_cast<std::size_t>(ref.index - 1);
}

}  // namespace

ControllerDatabase::ControllerDatabase() {
    const auto& keys = keyTable();
    values_.reserve(keys.size());
    for (const KeyDescriptor& key : keys) values_.emplace_back(storageSize(key));

    const auto& groups = uploadFlagTable();
    flags_.reserve(groups.size());
    for (const UploadFlagDescriptor& group : groups)
        flags_.emplace_back(static_cast<std::size_t>(group.count), false);

    markers_.fill(-1);
    takeNewGeneration();
}

void ControllerDatabase::takeNewGeneration() {
    static std::uint64_t last = 0;
    generation_ = ++last;
}

std::string& ControllerDatabase::cell(const KeyRef& ref) {
    return values_[keyRow(*ref.key)][flatIndex(ref)];
}

const std::string& ControllerDatabase::cell(const KeyRef& ref) const {
    return values_[keyRow(*ref.key)][flatIndex(ref)];
}

const std::string& ControllerDatabase::get(std::string_view name, int index) const {
    return cell(resolveKey(name, index));
}

void ControllerDatabase::set(std::string_view name, int index, std::string value) {
    cell(resolveKey(name, index)) = std::move(value);
}

const std::string& ControllerDatabase::courtesy(std::string_view name, int port, int tone) const {
    return cell(resolveCourtesyKey(name, port, tone));
}

void ControllerDatabase::setCourtesy(std::string_view name, int port, int tone, std::string value) {
    cell(resolveCourtesyKey(name, port, tone)) = std::move(value);
}

const std::string& ControllerDatabase::byKey(std::string_view keyText) const {
    return cell(parseKey(keyText));
}

void ControllerDatabase::setByKey(std::string_view keyText, std::string value) {
    cell(parseKey(keyText)) = std::move(value);
}

std::size_t ControllerDatabase::flagSlot(UploadFlag group, int index) const {
    const UploadFlagDescriptor& descriptor = uploadFlagDescriptor(group);
    if (descriptor.count == 1 && index == 0)
        return 0;
    if (index < 1 || index > descriptor.count)
        throw std::out_of_range("upload flag " + std::string(descriptor.name) + " has no index " +
                                std::to_string(index));
    return static_cast<std::size_t>(index - 1);
}

bool ControllerDatabase::uploadFlag(UploadFlag group, int index) const {
    return flags_[static_cast<std::size_t>(group)][flagSlot(group, index)];
}

void ControllerDatabase::setUploadFlag(UploadFlag group, int index, bool on) {
    flags_[static_cast<std::size_t>(group)][flagSlot(group, index)] = on;
}

bool ControllerDatabase::anyUploadFlag() const {
    return std::any_of(flags_.begin(), flags_.end(), [](const std::vector<bool>& group) {
        return std::find(group.begin(), group.end(), true) != group.end();
    });
}

void ControllerDatabase::reset() {
    markers_.fill(-1);
    const auto& keys = keyTable();
    for (std::size_t row = 0; row < keys.size(); ++row) {
        if (isDvrTable(keys[row]))
            continue;
        for (std::string& value : values_[row]) value.clear();
    }
    for (std::vector<bool>& group : flags_) std::fill(group.begin(), group.end(), false);
    firmwareVersion.clear();
    loaded = false;
    saved = true;
    takeNewGeneration();
}

bool ControllerDatabase::holdsNoSettings() const {
    const auto& keys = keyTable();
    for (std::size_t row = 0; row < keys.size(); ++row) {
        if (isDvrTable(keys[row]))
            continue;
        for (const std::string& value : values_[row])
            if (!value.empty())
                return false;
    }
    return true;
}

ControllerDatabase& db() {
    static ControllerDatabase database;
    return database;
}

void resetProcessDatabase() {
    db() = ControllerDatabase();
}

}  // namespace kelp
