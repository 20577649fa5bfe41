#include "foundation/text/string_lists.h"

#include <algorithm>
#include <iterator>

namespace vorl {
namespace {

struct StringListItem {
  std::int16_t list;
  std::int16_t item;
  const char* utf8;
};

// Sorted by list, then item. A later list joins in its place in the order.
constexpr StringListItem kItems[] = {
    {4100, 9, "The disk could not be written out (flushing the volume failed)."},
    {4100, 14, "Access to the file or folder was denied."},
    {4100, 15, "The item is not of the kind expected (a file where a folder should be, or the reverse)."},
    {4100, 16, "The file or folder name is not valid."},
    {4100, 17, "The folder could not be found."},
    {4100, 18, "The disk is full."},
    {4100, 19, "A file or folder with that name already exists."},
    {4100, 20, "The file is locked."},
    {4100, 21, "The file could not be found."},
    {4100, 22, "The file is not open."},
    {4100, 23, "An input/output error occurred on the disk."},
    {4100, 24, "The disk (volume) could not be found."},
    {4100, 25, "The file is already open for writing."},
    {4100, 26, "A file operation was given a wrong parameter."},
    {4100, 27, "The file reference is not valid."},
    {4100, 28, "Too many files are open."},
    {4100, 29, "The disk (volume) is locked."},
    {4100, 30, "The disk is write-protected."},
    {4100, 31, "Permission to write was denied."},
    {4100, 32, "An unexpected file error occurred."},
    {4101, 1, "There is no pixel buffer to convert."},
    {4101, 2, "There is no offscreen picture to convert."},
    {4101, 3, "The pixels of an offscreen picture could not be locked."},
    {4101, 4, "The pixels of an offscreen picture could not be found."},
    {4101, 5, "There is no offscreen picture to lock."},
    {4101, 6, "The offscreen picture has no pixel map."},
    {4101, 7, "There is no offscreen picture to clear."},
    {4101, 8, "There is no offscreen picture to protect."},
    {4101, 10, "There is not enough memory for a new offscreen picture."},
    {4101, 11, "An offscreen picture could not be released."},
    {4101, 13, "There is no picture to copy from."},
    {4101, 14, "There is no picture to copy into."},
    {4101, 17, "There is no picture to turn."},
    {4101, 18, "There is no picture to turn into."},
    {4101, 19, "The picture to turn into does not have the turned size of the original."},
    {4102, 5, "Could not make a new memory block: the memory manager reported an error."},
    {4102, 6, "Could not make a new memory block: no memory was given."},
    {4102, 7, "Not enough memory."},
    {4102, 8, "A resource was not loaded (empty handle)."},
    {4102, 9, "A memory block that was already free was used."},
    {4102, 10, "A locked or non-purgeable memory block could not be purged."},
    {4102, 11, "The memory block is locked."},
    {4102, 12, "A resource could not be added."},
    {4102, 13, "A resource could not be found."},
    {4102, 14, "The resource file could not be found."},
    {4102, 15, "An unexpected memory error occurred."},
    {4102, 16, "An unexpected resource error occurred."},
    {4104, 7, "The folder could not be made: a file or folder of that name is already there."},
    {4104, 8, "The folder could not be made."},
    {4105, 10, "The file to be copied could not be found."},
    {4105, 11, "There is not enough memory to copy the file."},
    {4105, 12, "The file to be copied could not be opened."},
    {4105, 13, "The file to be copied could not be read."},
    {4105, 14, "The copy of the file could not be made."},
    {4105, 15, "The copy of the file could not be opened for writing."},
    {4105, 16, "The copy of the file could not be written."},
    {4105, 31, "There is not enough memory to scale the picture."},
    {4105, 33, "The area to scale lies outside its picture."},
    {4105, 50, "No free name could be found for the copy of the file:"},
    {4106, 1, "There is no picture to work on."},
    {4106, 30, "There is no picture to scale."},
};

constexpr bool sortedByListAndItem() {
  for (std::size_t i = 1; i < std::size(kItems); ++i) {
    const auto& a = kItems[i - 1];
    const auto& b = kItems[i];
    if (a.list > b.list || (a.list == b.list && a.item >= b.item)) return false;
  }
  return true;
}
static_assert(sortedByListAndItem(), "keep the string lists sorted: the lookup is a binary search");

}  // namespace

bool GetIndString(Str255& text, std::int16_t list, std::int16_t item) {
  const auto found = std::lower_bound(std::begin(kItems), std::end(kItems), StringListItem{list, item, nullptr},
                                      [](const StringListItem& a, const StringListItem& b) {
                                        return a.list != b.list ? a.list < b.list : a.item < b.item;
                                      });
  if (found == std::end(kItems) || found->list != list || found->item != item) {
    text.clear();
    return false;
  }
  text = Str255::fromUtf8(found->utf8);
  return true;
}

}  // namespace vorl
