#include "layout/object_class_registry.h"

#include <algorithm>
#include <string>

#include "layout/attribute_objects.h"
#include "layout/image_object.h"
#include "layout/node_object.h"
#include "layout/overlay_objects.h"
#include "layout/stamp_object.h"
#include "layout/text_objects.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace {

template <class Object>
std::unique_ptr<TLayoutObject> defaultConstructed() {
  return std::make_unique<Object>();
}

constexpr LayoutObjectClass kRegisteredClasses[] = {
    {"TAttributeObject", &defaultConstructed<TAttributeObject>},
    {"TDatabaseObject", &defaultConstructed<TDatabaseObject>},
    {"TGroupPhotoObject", &defaultConstructed<TGroupPhotoObject>},
    {"TBackColorObject", &defaultConstructed<TBackColorObject>},
    {"TFileOverlayObject", &defaultConstructed<TFileOverlayObject>},
    {"TNodeViewObject", &defaultConstructed<TNodeViewObject>},
    {"TStampObject", &defaultConstructed<TStampObject>},
    {"TTextObject", &defaultConstructed<TTextObject>},
    {"TEditTextObject", &defaultConstructed<TEditTextObject>},
    {"TOverlayObject", &defaultConstructed<TOverlayObject>},
    {"TImageObject", &defaultConstructed<TImageObject>},
};

}  // namespace

std::span<const LayoutObjectClass> registeredLayoutObjectClasses() noexcept { return kRegisteredClasses; }

std::unique_ptr<TLayoutObject> newLayoutObjectByClassName(std::string_view className) {
  const auto* found = std::find_if(std::begin(kRegisteredClasses), std::end(kRegisteredClasses),
                                   [className](const LayoutObjectClass& c) { return c.className == className; });
  return found == std::end(kRegisteredClasses) ? nullptr : found->defaultConstructor();
}

std::unique_ptr<TLayoutObject> ReadObject(ObjectStreamReader& stream) {
  std::string className;
  if (!stream.ReadString(className, kMaxStreamedClassName)) {
    systemLog("ReadObject: the stream holds no class name");
    return nullptr;
  }
  std::unique_ptr<TLayoutObject> object = newLayoutObjectByClassName(className);
  if (!object) {
    systemLogf("ReadObject: no class is registered as [%s]", className.c_str());
    return nullptr;
  }
  if (!stream.enterNestedObject()) {
    systemLogf("ReadObject: objects nested more than %d deep", kMaxStreamedNesting);
    return nullptr;
  }
  const bool read = object->ReadFrom(stream);
  stream.leaveNestedObject();
  if (!read) {
    systemLogf("ReadObject: the %s cannot be read from the stream", className.c_str());
    return nullptr;
  }
  return object;
}

}  // namespace vorl
