// Making page objects by class name, as the framework's class table did for streams and templates that name a
// class: eleven page-object classes are known by name, each with its default constructor. The transparent
// overlay and the base class are not among them.
//
// The framework's object reader reads one object from an object stream: its class name (a length byte and up to
// 63 characters), then the new object's streamed form.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "layout/layout_object.h"
#include "layout/object_stream.h"

namespace vorl {

struct LayoutObjectClass {
  std::string_view className;
  std::unique_ptr<TLayoutObject> (*defaultConstructor)();
};

// The registered classes, in the order the program registered them.
std::span<const LayoutObjectClass> registeredLayoutObjectClasses() noexcept;
// A default-made object of the named class; null for a name not registered.
[[nodiscard]] std::unique_ptr<TLayoutObject> newLayoutObjectByClassName(std::string_view className);
// One object from the stream; null (logged) when the class is not registered or its streamed form cannot be
// read. The stream's position is then undefined.
[[nodiscard]] std::unique_ptr<TLayoutObject> ReadObject(ObjectStreamReader& stream);

}  // namespace vorl
