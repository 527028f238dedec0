// Intern table behind TsID.
#include "tarsel/ts_id.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>

namespace {

// Every distinct text ever made into a TsID, kept for the life of the
// process so that TsIDs can hold plain pointers.
class InternTable {
  public:
    const char* Intern(std::string_view text) {
        std::lock_guard guard(lock_);
        auto found = texts_.find(text);
        if (found != texts_.end()) return found->c_str();
        return texts_.emplace(text).first->c_str();
    }

  private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>()(text);
        }
    };
    std::mutex lock_; // guards texts_
    // Node-based: element addresses (and their c_str) never move.
    std::unordered_set<std::string, Hash, std::equal_to<>> texts_;
};

InternTable& Table() {
    // Deliberately never destroyed: TsIDs in static objects may be used
    // during exit.
    static InternTable* table = new InternTable;
    return *table;
}

} // namespace

TsID::TsID(const char* text) : TsID(std::string_view(text ? text : "")) {}

TsID::TsID(std::string_view text) {
    // The empty text is NOID, so that every empty identifier compares equal.
    if (!text.empty()) text_ = Table().Intern(text);
}
