// Turning what the user names as input (a file, a list file, a folder tree) into the
// entries of the next batch. Everything ends in AddInputFile, which filters by extension
// and refuses duplicates.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "formats/batch_status.h"
#include "formats/input_map.h"

namespace rastrel {

// Called for every file added, on the thread that added it: the window appends a row and
// may propose an output folder. Receives the path and the collection's input folder.
using AddedFileHook = std::function<void(const std::string& path, const std::string& inputFolder)>;

// What an import works on. While an import thread runs, it alone touches the map; the
// starter only reads the batch status.
struct InputCollection {
  InputMap& inputs;
  std::string inputFolder;  // root of the last folder import, ends in '/', or empty
  AddedFileHook onAdded;    // empty on the console
};

// True when the file was added: it is not empty, its extension is accepted and it is not
// listed yet.
bool AddInputFile(InputCollection& collection, const std::string& path);

// The folder part of `path` below `inputFolder` ("2023/may/" for /photos/2023/may/a.tif
// under /photos/); empty when either is empty or the path lies elsewhere.
std::string RelativeSubfolder(std::string_view path, std::string_view inputFolder);

// Adds every accepted file of the folder and its subfolders; returns how many were added.
// A folder reached twice (through links) is walked once.
int WalkInputFolder(InputCollection& collection, const std::string& folder);

// The import bodies. Each takes up top-level entries (entries of the input folder, or list
// lines that name an existing path) while keep going holds, counting them in the progress
// count, and adds the number of files added to the result count when it ends. The folder
// import walks the collection's input folder, giving it a final '/' when it lacks one.
void ImportFolder(InputCollection& collection, BatchStatus& status);
void ImportList(InputCollection& collection, const std::string& listPath, BatchStatus& status);

// Reset the status and run the import on a thread of its own. The collection and the
// status must outlive the thread; it is joined when the result is destroyed.
std::jthread StartFolderImport(InputCollection& collection, BatchStatus& status);
std::jthread StartListImport(InputCollection& collection, std::string listPath, BatchStatus& status);

}  // namespace rastrel
