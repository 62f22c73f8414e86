#pragma once

#include <filesystem>

#include "backends/settings_toml/SettingsFile.h"
#include "platform/SettingsStore.h"

// The per-user settings store as a TOML file: a key path is a table path (the key "Software"
// \ "ZEM" is the table [Software.ZEM]), an integer value is a TOML integer and a string value a
// TOML string. Values of other TOML types are reported as TOtherValue with the TOML type's name.
//
// The file is the only state: every read reads it again (the user may edit it while the program
// runs), and every write reads it again, changes that one value and saves it whole, so tables and
// values that the program does not own (the port table [Software.ZEM.Ports], anything the user
// added) are kept. Comments and layout are not kept. When the file changes on disk between that
// read and the save, the write starts again from the new contents.
//
// A file that is not valid TOML reads as if it held nothing. The first write keeps it beside the
// new file as settings.toml.bad (see TSettingsFile::KeepDamagedCopy) and starts from an empty
// document. A file that cannot be read at all (no permission, a folder or pipe in its place, too
// large) also reads as empty, but a write then refuses, since it would lose what the file holds.
class TTomlSettingsStore : public ISettingsStore {
 public:
  explicit TTomlSettingsStore(std::filesystem::path file);

  const std::filesystem::path& Path() const { return file_.Path(); }

  bool KeyExists(const TKeyPath& key) override;
  // Writes nothing (an empty table carries no value); raises when a level of the path is held by a
  // value that is not a table.
  void CreateKey(const TKeyPath& key) override;
  std::optional<TSettingsValue> ReadValue(const TKeyPath& key, const std::string& name) override;
  void WriteValue(const TKeyPath& key, const std::string& name,
                  const TSettingsValue& value) override;

 private:
  TSettingsFile file_;
};
