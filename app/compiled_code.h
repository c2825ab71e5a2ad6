// What the application's subroutines use to reach the runtime: constants
// by offset, unit properties, library commands by number and the declared
// DLL commands. Nothing here reaches the runtime any other way.
#pragma once
#include <cstdint>
#include <initializer_list>

#include "app/concat_texts.h"
#include "program_image_layout.h"
#include "runtime/compiled_calls.h"
#include "runtime/typed_value.h"

namespace app {

namespace pi = program_image;

inline const char* ConstantText(uint32_t offset) {
  return reinterpret_cast<const char*>(g_constantsSegment + offset);
}
inline uint32_t ConstantAddress(uint32_t offset) {
  return reinterpret_cast<uint32_t>(g_constantsSegment + offset);
}
inline uint32_t Address(const void* p) { return reinterpret_cast<uint32_t>(p); }
// An absent text stands as the shared empty text wherever a text is passed.
inline const char* OrEmpty(const char* text) {
  return text ? text : ConstantText(program_image::kEmptyText);
}

// --- arguments of library commands ---
inline TypedValue TextArgument(const char* text) { return {Address(OrEmpty(text)), 0, kTagText}; }
inline TypedValue BytesArgument(uint32_t constantOffset) {
  return {ConstantAddress(constantOffset), 0, kTagBytes};
}
inline TypedValue BoolArgument(bool value) { return {value ? 1u : 0u, 0, kTagBool}; }
inline TypedValue IntArgument(int32_t value) { return {static_cast<uint32_t>(value), 0, kTagInt}; }
// An integer variable by reference: its address with the integer tag.
inline TypedValue IntVariable(int32_t* variable) { return {Address(variable), 0, kTagInt}; }
inline TypedValue Omitted() { return {0, 0, 0}; }

// Command `number` of library `library`, through service 3 for the core
// library and service 2 for the others.
TypedValue CallCommand(int library, int number, std::initializer_list<TypedValue> args);
inline char* TextResult(const TypedValue& v) { return reinterpret_cast<char*>(v.low); }

// The text-joining routine compiled code carries: a new heap text.
template <typename... Pieces>
char* Join(Pieces... pieces) {
  return ConcatTexts(static_cast<int32_t>(sizeof...(pieces)), static_cast<const char*>(pieces)...);
}
void FreeText(char* text);

// --- unit properties (member -1, as compiled code passes) ---
char* ReadTextProperty(uint32_t windowId, uint32_t unitId, int32_t index);
bool ReadBoolProperty(uint32_t windowId, uint32_t unitId, int32_t index);
void WriteTextProperty(uint32_t windowId, uint32_t unitId, int32_t index, const char* text);
void WriteBoolProperty(uint32_t windowId, uint32_t unitId, int32_t index, bool value);

enum : int32_t { kPropertyVisible = 5, kPropertyDisabled = 6, kPropertyContent = 8 };

// A declared DLL command; a stack left unbalanced is a runtime error.
inline uint32_t Dll(uint32_t index, std::initializer_list<uint32_t> words) {
  return DllCall(static_cast<int32_t>(index), words, 0, 0);
}

}  // namespace app
