# Cropping a 4:2:0 or 4:2:2 picture rounds the last luma column (and row) up
# to a chroma column: for a rectangle that reaches the right or bottom edge
# of a picture of even width (height) that is one past the chroma plane, and
# each row is copied from beyond the plane's end. The last chroma column and
# row are the plane's own. Rewriting the comment makes a second run match
# nothing.
s|^\(    uint32_t plane_bottom = get_subsampled_size_v(bottom, channel, m_chroma, scaling_mode::round_up);\) // keep more chroma$|\1 // within the plane\
    plane_right = std::min(plane_right, plane.m_width - 1);\
    plane_bottom = std::min(plane_bottom, plane.m_height - 1);|
