#include "tools/template_image.h"

#include "forms/template_writer.h"
#include "tools/unit_property_values.h"

bool HandlerOffset(const ProgramDescription& description, const std::string& symbol, int32_t* offset) {
  for (const HandlerSpec& h : description.handlers)
    if (h.symbol == symbol) return *offset = h.offset, true;
  return false;
}

static bool BuildUnit(const ProgramDescription& description, const UnitSpec& unitSpec, TemplateUnit* unit,
                      std::string* error) {
  unit->id = unitSpec.id;
  if (!UnitTypeCodeOf(unitSpec.type, &unit->typeCode)) {
    *error = "line " + std::to_string(unitSpec.line) + ": unknown unit type " + unitSpec.type;
    return false;
  }
  unit->name = unitSpec.name;
  unit->left = unitSpec.left;
  unit->top = unitSpec.top;
  unit->width = unitSpec.width;
  unit->height = unitSpec.height;
  unit->flags = unitSpec.flags;
  unit->tabOrder = unitSpec.tabOrder;
  for (const EventSpec& e : unitSpec.events) {
    TemplateBinding binding;
    binding.eventIndex = e.index;
    if (!HandlerOffset(description, e.handler, &binding.handler)) {
      *error = "line " + std::to_string(e.line) + ": unknown handler " + e.handler;
      return false;
    }
    unit->bindings.push_back(binding);
  }
  return BuildUnitPropertyBlock(unitSpec, &unit->propertyBlock, error);
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
