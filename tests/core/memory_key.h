// A settings key held in memory, with switches that make it refuse, and a
// count of opens and closes so tests can see the key is never left open.
#pragma once

#include <cstring>
#include <map>
#include <string>

#include "core/settings.h"

class MemoryKey final : public SettingsKey {
 public:
  struct Value {
    StoredValue::Kind kind = StoredValue::Kind::Int32;
    std::int32_t data = 0;
  };
  bool exists = false;
  bool refuseOpen = false;   // openExisting and openOrCreate fail
  bool refuseWrite = false;  // every write fails
  std::map<std::string, Value> values;
  std::string writeLog;  // names in write order, comma-separated
  int opens = 0;
  int closes = 0;
  bool isOpen = false;

  bool openExisting() override { return open(false); }
  bool openOrCreate() override { return open(true); }
  StoredValue read(const char* name) override {
    StoredValue result;
    const auto it = values.find(name);
    if (!isOpen || it == values.end()) return result;
    result.kind = it->second.kind;
    std::memcpy(result.bytes, &it->second.data, 4);
    return result;
  }
  bool write(const char* name, std::int32_t value) override {
    if (!isOpen || refuseWrite) return false;
    values[name] = Value{StoredValue::Kind::Int32, value};
    writeLog += std::string(name) + ",";
    return true;
  }
  void close() override {
    if (isOpen) ++closes;
    isOpen = false;
  }

  void set(const char* name, std::int32_t value) {
    exists = true;
    values[name] = Value{StoredValue::Kind::Int32, value};
  }
  void setAll(std::int32_t fast, std::int32_t bright, std::int32_t size, std::int32_t satiation,
              std::int32_t color, std::int32_t alpha) {
    set("Fast", fast), set("Bright", bright), set("Size", size);
    set("Satiation", satiation), set("Color", color), set("Alpha", alpha);
  }

 private:
  bool open(bool create) {
    if (refuseOpen || (!exists && !create)) return false;
    exists = true;
    isOpen = true;
    ++opens;
    return true;
  }
};
