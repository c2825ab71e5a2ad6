#include "tools/template_image.h"

#include "forms/template_writer.h"
#include "tools/unit_property_values.h"

bool HandlerOffset(const ProgramDescription& description, const std::string& symbol, int32_t* offset) {
  for (const HandlerSpec& h : description.handlers)
    if (h.symbol == symbol) return *offset = h.offset, true;
  return false;
}

static bool BuildUnit(const ProgramDescription& description, const UnitSpec& spec, TemplateUnit* unit,
                      std::string* error) {
  unit->id = spec.id;
  if (!UnitTypeCodeOf(spec.type, &unit->typeCode)) {
    *error = "line " + std::to_string(spec.line) + ": unknown unit type " + spec.type;
    return false;
  }
  unit->name = spec.name;
  unit->left = spec.left;
  unit->top = spec.top;
  unit->width = spec.width;
  unit->height = spec.height;
  unit->flags = spec.flags;
  unit->tabOrder = spec.tabOrder;
  for (const EventSpec& e : spec.events) {
    TemplateBinding binding;
    binding.eventIndex = e.index;
    if (!HandlerOffset(description, e.handler, &binding.handler)) {
      *error = "line " + std::to_string(e.line) + ": unknown handler " + e.handler;
      return false;
    }
    unit->bindings.push_back(binding);
  }
  return BuildUnitPropertyBlock(spec, &unit->propertyBlock, error);
}

bool BuildTemplateSegment(const ProgramDescription& description, std::vector<uint8_t>* segment,
                          std::string* error) {
  TemplateDescription templ;
  for (const WindowSpec& w : description.windows) {
    TemplateWindow window;
    window.id = w.id;
    window.a = w.a;
    window.b = w.b;
    for (const UnitSpec& u : w.units) {
      window.units.emplace_back();
      if (!BuildUnit(description, u, &window.units.back(), error)) return false;
    }
    templ.windows.push_back(std::move(window));
  }
  if (!WriteTemplate(templ, segment)) {
    *error = "the template writer refused the windows";
    return false;
  }
  return true;
}
