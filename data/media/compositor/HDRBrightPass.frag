#version 120
// What shines well above the luminance the view is adapted to, the source of the bloom.
uniform sampler2D source;
uniform float lumAdapted;
varying vec2 uv;

// Exposure at the adapted luminance; the tone mapping uses the same.
const float KEY = 1.0;
// How many times brighter than the adapted luminance a pixel must be to bloom.
const float THRESHOLD = 2.0;
// Four taps over the scene texels that fall into one texel of the 128 x 128 target.
const float TAP = 1.0 / 512.0;

void main()
{
    vec3 colour = 0.25 * (texture2D(source, uv + vec2(-TAP, -TAP)).rgb + texture2D(source, uv + vec2(TAP, -TAP)).rgb
        + texture2D(source, uv + vec2(-TAP, TAP)).rgb + texture2D(source, uv + vec2(TAP, TAP)).rgb);
    vec3 exposed = colour * (KEY / lumAdapted);
    gl_FragColor = vec4(max(exposed - THRESHOLD, 0.0), 1.0);
}
