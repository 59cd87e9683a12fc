# An image item whose references lead back to itself (a grid listing itself
# as a tile) makes libheif recurse until the stack or memory runs out. Real
# files nest at most a few levels (a grid of tiles, an overlay of grids).
s/^  Result<std::shared_ptr<HeifPixelImage>> decodingResult = decode_compressed_image(/  static thread_local int nesting = 0;\
  if (nesting >= 8) return Error(heif_error_Invalid_input, heif_suberror_Unspecified, "image references nest too deeply");\
  struct Nesting { Nesting() { ++nesting; } ~Nesting() { --nesting; } } nestingScope;\
&/
