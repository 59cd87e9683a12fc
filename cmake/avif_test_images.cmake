# AVIF test pictures for decode_image_file_test: the ImageMagick ramp of the
# JPEG XR pictures (odd sizes, which the codec pads and the file crops)
# encoded by Debian's avifenc as 8-bit 4:2:0, 10-bit 4:4:4 and 8-bit with an
# alpha ramp, each beside avifdec's decoding of the same file as raw 8-bit
# R,G,B,A rows (NAME.rgba, chroma upsampled by nearest neighbour as libheif
# does), which the test compares with the viewer's. The names differ from
# the JPEG XR pictures', whose references lie in the same folder.
find_program(VELLORA_AVIF_ENCODE avifenc REQUIRED)
find_program(VELLORA_AVIF_DECODE avifdec REQUIRED)
set(VELLORA_AVIF_TEST_IMAGES "")
foreach(kind 8bit 10bit 8bit-alpha)
  set(source_options -depth 8)
  set(encoder_options -d 8 -y 420)
  if(kind STREQUAL "10bit")
    set(source_options -depth 16)
    set(encoder_options -d 10 -y 444)
  elseif(kind STREQUAL "8bit-alpha")
    set(source_options -alpha set -channel A -fx "(i+j)/(w+h)" +channel -depth 8)
    set(encoder_options -d 8)
  endif()
  set(stem "${VELLORA_TEST_IMAGES_DIR}/ramp-${kind}")
  add_custom_command(OUTPUT "${stem}.avif" "${stem}.rgba"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${VELLORA_TEST_IMAGES_DIR}"
    COMMAND ${VELLORA_MAGICK_CONVERT} -size 37x23 "gradient:rgb(250,40,10)-rgb(20,90,240)" ${source_options}
      "PNG:${stem}.source.png"
    COMMAND ${VELLORA_AVIF_ENCODE} -s 8 ${encoder_options} "${stem}.source.png" "${stem}.avif" > /dev/null
    COMMAND ${VELLORA_AVIF_DECODE} -d 8 -u nearest "${stem}.avif" "${stem}.reference.png" > /dev/null
    COMMAND ${VELLORA_MAGICK_CONVERT} "${stem}.reference.png" -alpha on -depth 8 "RGBA:${stem}.rgba"
    COMMENT "Writing test image ramp-${kind}.avif" VERBATIM)
  list(APPEND VELLORA_AVIF_TEST_IMAGES "${stem}.avif" "${stem}.rgba")
endforeach()
add_custom_target(vellora_avif_test_images DEPENDS ${VELLORA_AVIF_TEST_IMAGES})
add_dependencies(decode_image_file_test vellora_avif_test_images)
