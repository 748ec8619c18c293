// The canonical text of an object tree: one line per object, depth first in
// child order, indented two spaces per level. Each line gives the name, the
// body kind, position, rotation and own box, then what the body holds (vertex
// and index counts, hidden flag and static geometry name, material, light,
// clips; a material as layer:effect[textures]), the physics data, the detail levels and the flags. A person or a
// test compares it after loading a scene description.
#pragma once

#include <string>

class CPGameObject;

std::string DumpObjectTree(const CPGameObject& root);
