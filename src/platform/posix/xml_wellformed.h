// The well-formedness rules that pugixml leaves to its caller. pugixml is a fast, forgiving
// parser: it takes two root elements, text outside the root, `&nbsp;` as literal text, a repeated
// attribute, an undeclared prefix, "--" in a comment. The platform's parser refuses all of these,
// and a reply that one build reads and the other refuses gives hosts different answers (a
// balance of 42 here, 0 there). So a text that pugixml accepted is checked again here, on a
// tree parsed with nothing converted (references, line ends and attribute white space as
// written). Private to src/platform/posix.
#pragma once

#include <string>
#include <string_view>

namespace halvora::platform::posix {

// Characters XML does not allow anywhere (controls other than tab, CR and LF; U+FFFE, U+FFFF;
// lone surrogates). Empty when there are none, else why the text is refused.
std::string check_characters(std::u16string_view text);

// The rules on the markup of a text that pugixml parsed: at the top, an optional declaration
// first of all, at most one document type before the root, exactly one root element and no
// character data; every namespace prefix (of elements and attributes) declared in scope ("xml"
// always is); no attribute twice, by name as written or by namespace and local name; entity
// references to the five predefined entities only, character references to allowed characters
// only, each closed by ";"; no "<" in an attribute value; no "]]>" in text; no "--" in a
// comment, nor a "-" at its end; names made of name characters; processing instruction targets
// other than "xml" in any case; a declaration with a version "1.<digits>", then an optional
// encoding name, then an optional standalone "yes" or "no", and nothing else.
// References to entities that a document type declares are refused too: pugixml does not expand
// them, and reading them as literal text would give wrong values silently.
// `utf8` is the whole text, byte-order mark removed. Empty when well-formed, else the reason.
std::string check_markup(std::string_view utf8);

}  // namespace halvora::platform::posix
