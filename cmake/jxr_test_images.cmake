# JPEG XR test pictures for decode_image_file_test: an ImageMagick ramp of
# odd size (the codec pads to macroblocks of 16) encoded by Debian's
# JxrEncApp as 8-bit opaque (lossy), 8-bit with alpha (lossless), 16-bit
# (lossy), half and single floating point (lossless), each beside JxrDecApp's
# decoding of the same file as raw 8-bit R,G,B,A rows (NAME.rgba), which the
# test compares with what the imaging component shows. The floating-point
# samples are linear light: ImageMagick encodes them to sRGB for the
# reference.
find_program(VELLORA_JXR_ENCODE JxrEncApp REQUIRED)
find_program(VELLORA_JXR_DECODE JxrDecApp REQUIRED)
set(jxr_ramp -size 37x23 "gradient:rgb(250,40,10)-rgb(20,90,240)")
set(VELLORA_JXR_TEST_IMAGES "")
foreach(kind opaque alpha deep half float)
  set(source_options -depth 8)
  set(encoder_options -q 0.9)
  set(reference_format bmp)
  set(reference_options "")
  if(kind STREQUAL "alpha")
    set(source_options -alpha set -channel A -fx "(i+j)/(w+h)" +channel -depth 8)
    set(encoder_options "")
    set(reference_format tif)
  elseif(kind STREQUAL "deep")
    set(source_options -depth 16)
    set(reference_format tif)
  elseif(kind MATCHES "half|float")
    set(depth 16)
    if(kind STREQUAL "float")
      set(depth 32)
    endif()
    set(source_options -define quantum:format=floating-point -depth ${depth} -compress none)
    set(encoder_options "")
    set(reference_format tif)
    set(reference_options -set colorspace RGB -colorspace sRGB)
  endif()
  set(stem "${VELLORA_TEST_IMAGES_DIR}/ramp-${kind}")
  set(source_format tif)
  if(kind STREQUAL "opaque")
    set(source_format bmp)
  endif()
  add_custom_command(OUTPUT "${stem}.jxr" "${stem}.rgba"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${VELLORA_TEST_IMAGES_DIR}"
    # ImageMagick 6 writes floating-point TIFF files whole but fails on their
    # predictor tag, so the file itself says whether it was written.
    COMMAND sh -c "\"$0\" \"$@\"; test -s \"${stem}.source.${source_format}\""
      ${VELLORA_MAGICK_CONVERT} ${jxr_ramp} ${source_options} "${stem}.source.${source_format}"
    COMMAND ${VELLORA_JXR_ENCODE} -i "${stem}.source.${source_format}" -o "${stem}.jxr" ${encoder_options} > /dev/null
    COMMAND ${VELLORA_JXR_DECODE} -i "${stem}.jxr" -o "${stem}.reference.${reference_format}" > /dev/null
    COMMAND ${VELLORA_MAGICK_CONVERT} "${stem}.reference.${reference_format}" ${reference_options} -alpha on -depth 8 "RGBA:${stem}.rgba"
    COMMENT "Writing test image ramp-${kind}.jxr" VERBATIM)
  list(APPEND VELLORA_JXR_TEST_IMAGES "${stem}.jxr" "${stem}.rgba")
endforeach()
add_custom_target(vellora_jxr_test_images DEPENDS ${VELLORA_JXR_TEST_IMAGES})
add_dependencies(decode_image_file_test vellora_jxr_test_images)
# Wine's imaging component decodes JPEG XR through Debian's libjxr0, which
# JxrEncApp's package brings; the tests run that decoder as Windows runs its
# own.
